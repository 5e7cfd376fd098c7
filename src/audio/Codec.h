#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <string>
#include <vector>

// One installed ACM driver and the formats it offers. Codecs live in the process-wide codec
// list, which owns them; a codec removes itself from the list when it is destroyed.
class TdeCodec {
public:
  // Support flags, one bit per platform flag.
  enum : BYTE { sfCodec = 1, sfConverter = 2, sfFilter = 4, sfHardware = 8, sfAsync = 16,
                sfLocal = 32, sfDisabled = 64 };

  struct TFormatRec {
    std::string Name;                    // the format's description, at most 127 characters
    const WAVEFORMATEX* Format = nullptr;  // the codec's own copy; valid while the codec lives
  };

  // Reads the driver's details and formats and adds itself to the codec list; raises
  // EACMCodecError (and is then in no list) when a platform call fails.
  explicit TdeCodec(HACMDRIVERID driverId);
  ~TdeCodec();
  TdeCodec(const TdeCodec&) = delete;
  TdeCodec& operator=(const TdeCodec&) = delete;

  int FormatCount() const { return static_cast<int>(formats_.size()); }
  void GetFormat(int index, TFormatRec& rec) const;

  HACMDRIVERID DriverID;
  DWORD Priority = 0;
  BYTE Support = 0;
  ACMDRIVERDETAILSA Details = {};
  DWORD MaxFormatSize = 0;

private:
  struct TFormat {
    std::string name;
    std::vector<BYTE> block;  // MaxFormatSize bytes
  };
  static BOOL CALLBACK FormatEnumCallback(HACMDRIVERID, LPACMFORMATDETAILSA details,
                                          DWORD_PTR instance, DWORD);
  void AddFormat(const ACMFORMATDETAILSA& details);

  std::vector<TFormat> formats_;
};

// Empties the codec list and fills it again from the enabled drivers; a driver whose codec
// cannot be made is left out.
void EnumerateCodecs();
// Both enumerate first when there is no list yet.
int CodecCount();
TdeCodec* Codecs(int index);

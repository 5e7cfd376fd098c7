#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <string>

class TStream;

// A wave format: a WAVEFORMATEX and room for its codec's extra bytes, in one 128-byte block.
// All 128 bytes take part in comparing and persisting, those past the format too.
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is packed");

class TdeWaveFormat {
public:
  static constexpr unsigned BufferSize = 128;
  static constexpr unsigned MaxExtraSize = BufferSize - sizeof(WAVEFORMATEX);  // 110

  TdeWaveFormat();
  virtual ~TdeWaveFormat() = default;
  TdeWaveFormat(const TdeWaveFormat& other) { Assign(other); }
  TdeWaveFormat& operator=(const TdeWaveFormat& other) { Assign(other); return *this; }

  void SetFormatTag(WORD value) { Fmt()->wFormatTag = value; }
  void SetChannels(WORD value) { Fmt()->nChannels = value; }
  void SetSamplesPerSec(DWORD value) { Fmt()->nSamplesPerSec = value; }
  void SetAvgBytesPerSec(DWORD value) { Fmt()->nAvgBytesPerSec = value; }
  void SetBlockAlign(WORD value) { Fmt()->nBlockAlign = value; }
  void SetBitsPerSample(WORD value) { Fmt()->wBitsPerSample = value; }
  // Raises EACMError "The wave format buffer is too small." above 110, keeping the old value.
  void SetExtraSize(WORD value);

  WORD GetFormatTag() const { return Fmt()->wFormatTag; }
  WORD GetChannels() const { return Fmt()->nChannels; }
  DWORD GetSamplesPerSec() const { return Fmt()->nSamplesPerSec; }
  DWORD GetAvgBytesPerSec() const { return Fmt()->nAvgBytesPerSec; }
  WORD GetBlockAlign() const { return Fmt()->nBlockAlign; }
  WORD GetBitsPerSample() const { return Fmt()->wBitsPerSample; }
  // cbSize capped at 110.
  WORD GetExtraSize() const;

  WAVEFORMATEX* GetFormatPtr() { return Fmt(); }
  const WAVEFORMATEX* GetFormatPtr() const { return Fmt(); }
  const BYTE* Bytes() const { return buffer_; }

  void Assign(const TdeWaveFormat& source);
  virtual void AssignTo(TdeWaveFormat& dest) const;
  virtual bool Equals(const TdeWaveFormat& other) const;
  // PCM, 2 channels, 11025 Hz, 8 bits; the extra bytes are left as they are.
  virtual void SetDefault();

  // The persisted form: exactly the 128 bytes. Loading takes up to 128 bytes; a shorter block
  // leaves the remaining bytes as they were.
  void SaveToBuffer(void* dest) const;
  void LoadFromBuffer(const void* data, size_t size);
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);
  // A .cpn file: read-only, others denied writing. Raises EInOutError when it cannot be read.
  void LoadFromFile(const std::string& fileName);

  // "<tag name>: <format text>" from the ACM, or "" when the ACM does not know the format.
  std::string GetFormatDescription() const;

  // False for a compressed format whose extra-size field claims more than the block holds:
  // such a block must never reach the platform.
  bool FitsBuffer() const;
  // Why the format cannot be one a recording has (no tag, channels, rate, sizes out of range,
  // PCM sizes that disagree), or "" when its shape is sound. The codecs are not asked.
  std::string ShapeFault() const;
  // Raises EACMError "The wave format buffer is too small." when FitsBuffer is false.
  void CheckFitsBuffer() const;

  // Lets the user pick a format in the platform's chooser. True with the choice taken; False
  // on Cancel with the format unchanged; raises EACMConversionError when the chooser fails.
  bool Choose(const std::string& title);

  // Which formats the chooser lists: 0 all, 1 usable as conversion input, 2 as output.
  BYTE ChooseFilter = 0;

private:
  WAVEFORMATEX* Fmt() { return reinterpret_cast<WAVEFORMATEX*>(buffer_); }
  const WAVEFORMATEX* Fmt() const { return reinterpret_cast<const WAVEFORMATEX*>(buffer_); }

  alignas(4) BYTE buffer_[BufferSize] = {};
};

// Shows the platform's format chooser for the record and returns the modal result: 1 OK,
// 2 Cancel, 3 failure. The default is the modal format selector form; nullptr restores it.
using TFormatChooseRunner = int (*)(ACMFORMATCHOOSEA& record);
void SetFormatChooseRunner(TFormatChooseRunner runner);

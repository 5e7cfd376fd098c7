#include "Codec.h"
#include "ACMError.h"
#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

namespace {
// Owns the codecs; frees them at program end.
struct TCodecList {
  std::vector<TdeCodec*> items;
  bool made = false;
  void Clear() {
    while (!items.empty()) delete items.back();  // each removes itself
  }
  ~TCodecList() { Clear(); }
};

TCodecList& List() {
  static TCodecList list;
  return list;
}

BYTE MapSupport(DWORD flags) {
  BYTE s = static_cast<BYTE>(flags & 0x1F);
  if (flags & ACMDRIVERDETAILS_SUPPORTF_LOCAL) s |= TdeCodec::sfLocal;
  if (flags & ACMDRIVERDETAILS_SUPPORTF_DISABLED) s |= TdeCodec::sfDisabled;
  return s;
}

struct TEnumState {
  std::exception_ptr error;  // anything but an EACMError stops the enumeration
};

BOOL CALLBACK DriverEnumCallback(HACMDRIVERID driverId, DWORD_PTR instance, DWORD) {
  auto* state = reinterpret_cast<TEnumState*>(instance);
  try {
    new TdeCodec(driverId);
  } catch (const EACMError&) {
    // That driver is left out; the others are still listed.
  } catch (...) {
    state->error = std::current_exception();
    return FALSE;
  }
  return TRUE;
}

struct TDriverHandle {
  HACMDRIVER h = nullptr;
  ~TDriverHandle() { if (h) acmDriverClose(h, 0); }
};

struct TFormatEnumState {
  TdeCodec* codec;
  std::exception_ptr error;
};
}

TdeCodec::TdeCodec(HACMDRIVERID driverId) : DriverID(driverId) {
  Details.cbStruct = sizeof Details;
  ACMRaiseError<EACMCodecError>(acmDriverDetailsA(driverId, &Details, 0),
                                "Error retrieving driver details.");
  ACMRaiseError<EACMCodecError>(
      acmMetrics(reinterpret_cast<HACMOBJ>(driverId), ACM_METRIC_DRIVER_PRIORITY, &Priority),
      "Error retrieving driver priority.");
  Support = MapSupport(Details.fdwSupport);

  TDriverHandle driver;
  ACMRaiseError<EACMCodecError>(acmDriverOpen(&driver.h, driverId, 0), "Error opening driver.");
  ACMRaiseError<EACMCodecError>(
      acmMetrics(reinterpret_cast<HACMOBJ>(driver.h), ACM_METRIC_MAX_SIZE_FORMAT, &MaxFormatSize),
      "Error while requesting size of Wave format.");
  if (MaxFormatSize < sizeof(WAVEFORMATEX)) MaxFormatSize = sizeof(WAVEFORMATEX);

  std::vector<BYTE> work(MaxFormatSize, 0);
  auto* wfx = reinterpret_cast<WAVEFORMATEX*>(work.data());
  wfx->wFormatTag = WAVE_FORMAT_UNKNOWN;
  wfx->cbSize = static_cast<WORD>(MaxFormatSize - sizeof(WAVEFORMATEX));
  ACMFORMATDETAILSA details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = WAVE_FORMAT_UNKNOWN;
  details.pwfx = wfx;
  details.cbwfx = MaxFormatSize;
  TFormatEnumState state{this, nullptr};
  MMRESULT r = acmFormatEnumA(driver.h, &details, FormatEnumCallback,
                              reinterpret_cast<DWORD_PTR>(&state), 0);
  if (state.error) std::rethrow_exception(state.error);
  ACMRaiseError<EACMCodecError>(r, "Error while enumerating formats.");

  HACMDRIVER h = driver.h;
  driver.h = nullptr;
  ACMRaiseError<EACMCodecError>(acmDriverClose(h, 0), "Error while closing driver.");
  List().items.push_back(this);
}

TdeCodec::~TdeCodec() {
  auto& items = List().items;
  items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

BOOL CALLBACK TdeCodec::FormatEnumCallback(HACMDRIVERID, LPACMFORMATDETAILSA details,
                                           DWORD_PTR instance, DWORD) {
  auto* state = reinterpret_cast<TFormatEnumState*>(instance);
  try {
    state->codec->AddFormat(*details);
  } catch (...) {
    state->error = std::current_exception();
    return FALSE;
  }
  return TRUE;
}

void TdeCodec::AddFormat(const ACMFORMATDETAILSA& details) {
  TFormat f;
  f.name = details.szFormat;
  f.block.assign(MaxFormatSize, 0);
  // A driver's cbSize is not trusted past the block it was given.
  size_t size = sizeof(WAVEFORMATEX) + details.pwfx->cbSize;
  size = std::min<size_t>(size, std::min<size_t>(MaxFormatSize, details.cbwfx));
  std::memcpy(f.block.data(), details.pwfx, size);
  formats_.push_back(std::move(f));
}

void TdeCodec::GetFormat(int index, TFormatRec& rec) const {
  const TFormat& f = formats_.at(static_cast<size_t>(index));
  rec.Name = f.name.substr(0, 127);
  rec.Format = reinterpret_cast<const WAVEFORMATEX*>(f.block.data());
}

void EnumerateCodecs() {
  TCodecList& list = List();
  list.Clear();
  list.made = true;
  TEnumState state;
  acmDriverEnum(DriverEnumCallback, reinterpret_cast<DWORD_PTR>(&state), 0);
  if (state.error) std::rethrow_exception(state.error);
}

int CodecCount() {
  if (!List().made) EnumerateCodecs();
  return static_cast<int>(List().items.size());
}

TdeCodec* Codecs(int index) {
  if (!List().made) EnumerateCodecs();
  return List().items.at(static_cast<size_t>(index));
}

#include "AudioIO.h"
#include "ACMError.h"

namespace {
// Blocks hold WAVEHDRs, whose pointers want the allocator's full alignment on 64-bit; the
// size sits in the DWORD just before the block.
constexpr SIZE_T kBlockOffset = MEMORY_ALLOCATION_ALIGNMENT;
static_assert(kBlockOffset >= sizeof(DWORD) && kBlockOffset % alignof(WAVEHDR) == 0);
}

TdeAudioIO::TdeAudioIO(TComponent* owner) : TComponent(owner) {
  window_ = std::make_unique<TMessageWindow>(
      "VorlaneAudioIO", [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        result = 1;
        DeviceMessage(msg, wParam, lParam);
        return true;
      });
}

TdeAudioIO::~TdeAudioIO() {
  window_.reset();
  FreePool();
}

void TdeAudioIO::SetActive(bool value) {
  if (value) Open(); else Close();
}

void TdeAudioIO::Open() {
  if (active_) return;
  FreePool();
  if (BeforeOpen) BeforeOpen(this);
  OpenDevice();
  active_ = true;
  if (AfterOpen) AfterOpen(this);
}

void TdeAudioIO::Close() {
  if (!active_) return;
  if (BeforeClose) BeforeClose(this);
  CloseDevice();
  FreePool();
  active_ = false;
  if (AfterClose) AfterClose(this);
}

void TdeAudioIO::Loaded() {
  if (AutoOpen && !Designing()) SetActive(true);
}

void* TdeAudioIO::GetBlock(DWORD size) {
  size_t best = pool_.size();
  for (size_t i = 0; i < pool_.size(); ++i) {
    DWORD stored = StoredSize(pool_[i]);
    if (stored == size) {
      best = i;
      break;
    }
    if (stored > size && stored - size < size &&
        (best == pool_.size() || stored < StoredSize(pool_[best])))
      best = i;
  }
  if (best < pool_.size()) {
    void* block = pool_[best];
    pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(best));
    return block;
  }
  allocations_.reserve(allocations_.size() + 1);
  HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_SHARE, static_cast<SIZE_T>(size) + kBlockOffset);
  if (!memory) throw EACMAudioOutError("Cannot allocate global memory.");
  allocations_.push_back(memory);
  void* block = static_cast<BYTE*>(static_cast<void*>(memory)) + kBlockOffset;
  static_cast<DWORD*>(block)[-1] = size;
  return block;
}

void TdeAudioIO::ReleaseBlock(void* block) {
  if (block) pool_.push_back(block);
}

void TdeAudioIO::FreePool() {
  for (HGLOBAL memory : allocations_) GlobalFree(memory);
  allocations_.clear();
  pool_.clear();
}

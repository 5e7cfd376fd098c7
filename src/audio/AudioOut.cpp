#include "AudioOut.h"
#include "ACMError.h"
#include <algorithm>
#include <cstring>

TdeAbstractAudioOut::TdeAbstractAudioOut(TComponent* owner) : TdeAudioIO(owner) {
  observer_ = new TdeAudioObserver(this, [this](IdeAudioSubject* sender, const void* data, int size) {
    Receive(sender, data, size);
  });
  subject_ = new TdeAudioSubject(this);
  subject_->Format = &Format();
  subject_->OnObserverError = [this](IdeAudioSubject* sender, IdeAudioObserver* observer,
                                     const std::exception& e, bool& raise) {
    if (OnObserverError) OnObserverError(sender, observer, e, raise);
  };
}

void TdeAbstractAudioOut::Receive(IdeAudioSubject*, const void* audioData, int audioDataSize) {
  if (Active()) Play(audioData, audioDataSize);
}

TdeCustomAudioOut::TdeCustomAudioOut(TComponent* owner) : TdeAbstractAudioOut(owner) {}

TdeCustomAudioOut::~TdeCustomAudioOut() {
  try {
    SetActive(false);
  } catch (...) {
    ForceClose();
  }
  observer_->SetSubject(nullptr);
}

void TdeCustomAudioOut::SetDeviceID(int id) {
  deviceId_ = static_cast<signed char>(std::clamp(id, -1, 32));
}

void TdeCustomAudioOut::SetMaximumBuffers(DWORD value) {
  if (Active()) throw EACMAudioIOError(SActive);
  maximumBuffers_ = value;
}

void TdeCustomAudioOut::OpenDevice() {
  inDevice_ = 0;
  handle_ = nullptr;
  countdown_ = BufferCount;
  UINT device = deviceId_ < 0 ? WAVE_MAPPER : static_cast<UINT>(deviceId_);
  DWORD flags = CALLBACK_WINDOW;
  if (deviceId_ < 0 && Format().GetFormatTag() != WAVE_FORMAT_PCM) {
    flags |= WAVE_MAPPED;
    device = 0;
  }
  Format().CheckFitsBuffer();
  HWAVEOUT handle = nullptr;
  ACMRaiseError<EACMAudioOutError>(
      waveOutOpen(&handle, device, Format().GetFormatPtr(),
                  reinterpret_cast<DWORD_PTR>(WindowHandle()), 0, flags),
      "Error opening audio device for output.");
  handle_ = handle;
  paused_ = false;
}

void TdeCustomAudioOut::CloseDevice() {
  const char* prefix = "Error closing output device.";
  ACMRaiseError<EACMAudioOutError>(waveOutReset(handle_), prefix);
  while (!pending_.empty()) ReleaseHeader(pending_.back());
  while (!headers_.empty()) ReleaseHeader(headers_.back());
  ACMRaiseError<EACMAudioOutError>(waveOutClose(handle_), prefix);
  handle_ = nullptr;
  inDevice_ = 0;
  paused_ = false;
}

void TdeCustomAudioOut::ForceClose() noexcept {
  if (!handle_) return;
  waveOutReset(handle_);
  for (WAVEHDR* h : headers_) waveOutUnprepareHeader(handle_, h, sizeof(WAVEHDR));
  headers_.clear();
  pending_.clear();
  waveOutClose(handle_);
  handle_ = nullptr;
  inDevice_ = 0;
}

void TdeCustomAudioOut::Play(const void* audioData, int audioDataSize) {
  if (!Active()) throw EACMAudioIOError(SNotActive);
  if (audioDataSize <= 0) return;
  if (countdown_ == 0 && maximumBuffers_ != 0 && inDevice_ >= maximumBuffers_) return;

  auto* header = static_cast<WAVEHDR*>(GetBlock(sizeof(WAVEHDR)));
  std::memset(header, 0, sizeof(WAVEHDR));
  void* data;
  try {
    data = GetBlock(static_cast<DWORD>(audioDataSize));
  } catch (...) {
    ReleaseBlock(header);
    throw;
  }
  std::memcpy(data, audioData, static_cast<size_t>(audioDataSize));
  header->lpData = static_cast<LPSTR>(data);
  header->dwBufferLength = static_cast<DWORD>(audioDataSize);
  header->dwLoops = 1;
  MMRESULT r = waveOutPrepareHeader(handle_, header, sizeof(WAVEHDR));
  if (r != 0) {
    ReleaseBlock(data);
    ReleaseBlock(header);
    ACMRaiseError<EACMAudioOutError>(r, "Error preparing output header.");
  }
  headers_.push_back(header);

  if (countdown_ != 0) {
    pending_.push_back(header);
    --countdown_;
    return;
  }
  std::vector<WAVEHDR*> held;
  held.swap(pending_);
  for (WAVEHDR* h : held) WriteHeader(h);
  WriteHeader(header);
}

void TdeCustomAudioOut::WriteHeader(WAVEHDR* header) {
  ACMRaiseError<EACMAudioOutError>(waveOutWrite(handle_, header, sizeof(WAVEHDR)),
                                   "Error playing buffer.");
  ++inDevice_;
}

bool TdeCustomAudioOut::InHeaders(const WAVEHDR* header) const {
  return std::find(headers_.begin(), headers_.end(), header) != headers_.end();
}

bool TdeCustomAudioOut::InPending(const WAVEHDR* header) const {
  return std::find(pending_.begin(), pending_.end(), header) != pending_.end();
}

void TdeCustomAudioOut::ReleaseHeader(WAVEHDR* header) {
  if (!InHeaders(header) && !InPending(header)) return;
  ACMRaiseError<EACMAudioOutError>(waveOutUnprepareHeader(handle_, header, sizeof(WAVEHDR)),
                                   "Error unpreparing output header.");
  headers_.erase(std::remove(headers_.begin(), headers_.end(), header), headers_.end());
  pending_.erase(std::remove(pending_.begin(), pending_.end(), header), pending_.end());
  ReleaseBlock(header->lpData);
  ReleaseBlock(header);
}

void TdeCustomAudioOut::DeviceMessage(UINT msg, WPARAM, LPARAM lParam) {
  if (msg != MM_WOM_DONE) return;
  // A reset posts completions that can arrive after the close, or after a re-open that got the
  // same handle: only a header of ours that the device really finished counts.
  auto* header = reinterpret_cast<WAVEHDR*>(lParam);
  if (!Finished(header)) return;
  if (inDevice_ > 0) --inDevice_;
  if (Active()) {
    // An observer may close the player, which frees the header and its data.
    const void* data = header->lpData;
    const int size = static_cast<int>(header->dwBufferLength);
    subject_->Notify(data, size);
    if (!Finished(header)) return;
    if (OnAudioPlayed) OnAudioPlayed(this, data, size);
  }
  // A close (and open) inside the handler has released it already.
  if (Finished(header)) ReleaseHeader(header);
}

bool TdeCustomAudioOut::Finished(const WAVEHDR* header) const {
  return InHeaders(header) && !InPending(header) && (header->dwFlags & WHDR_DONE);
}

void TdeCustomAudioOut::Pause(bool paused) {
  if (!Active()) return;
  if (paused)
    ACMRaiseError<EACMAudioOutError>(waveOutPause(handle_),
                                     "An error occurred whilst trying to pause an output device");
  else
    ACMRaiseError<EACMAudioOutError>(waveOutRestart(handle_),
                                     "An error occurred whilst trying to restart an output device");
  paused_ = paused;
}

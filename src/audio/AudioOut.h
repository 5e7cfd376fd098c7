#pragma once
#include "AudioIO.h"

// Adds the audio links: blocks received from AudioSource are played when active, and each
// block the device finished is handed on to observers.
class TdeAbstractAudioOut : public TdeAudioIO, public IdeAudioSubject, public IdeAudioObserver {
public:
  explicit TdeAbstractAudioOut(TComponent* owner);

  TComponent* AudioSource() const { return observer_->Subject(); }
  void SetAudioSource(TComponent* source) { observer_->SetSubject(source); }

  virtual void Play(const void* audioData, int audioDataSize) = 0;

  void AddObserver(IdeAudioObserver* observer) override { subject_->AddObserver(observer); }
  void RemoveObserver(IdeAudioObserver* observer) override { subject_->RemoveObserver(observer); }
  TdeWaveFormat& GetFormat() override { return Format(); }
  void Receive(IdeAudioSubject* sender, const void* audioData, int audioDataSize) override;

  TObserverErrorEvent OnObserverError;

protected:
  TdeAudioObserver* observer_;
  TdeAudioSubject* subject_;
};

// Plays blocks through a wave-out device. The first BufferCount blocks after an open are held
// back and written together with the next one, so playback does not starve at the start.
class TdeCustomAudioOut : public TdeAbstractAudioOut {
public:
  explicit TdeCustomAudioOut(TComponent* owner);
  ~TdeCustomAudioOut() override;

  // Raises EACMAudioIOError when not active; 0 bytes do nothing; a block over MaximumBuffers
  // in the device is dropped.
  void Play(const void* audioData, int audioDataSize) override;
  void Pause(bool paused);
  bool Paused() const { return paused_; }

  // -1 is the wave mapper; -1 .. 32.
  int DeviceID() const { return deviceId_; }
  void SetDeviceID(int id);
  DWORD MaximumBuffers() const { return maximumBuffers_; }
  // Raises EACMAudioIOError while active.
  void SetMaximumBuffers(DWORD value);
  // Blocks written to the device and not yet returned.
  DWORD InDeviceCount() const { return inDevice_; }
  HWAVEOUT Handle() const { return handle_; }

  TBufferEvent OnAudioPlayed;

protected:
  void OpenDevice() override;
  void CloseDevice() override;
  void DeviceMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void WriteHeader(WAVEHDR* header);
  void ReleaseHeader(WAVEHDR* header);
  bool InHeaders(const WAVEHDR* header) const;
  bool InPending(const WAVEHDR* header) const;
  bool Finished(const WAVEHDR* header) const;
  void ForceClose() noexcept;

  signed char deviceId_ = -1;
  DWORD maximumBuffers_ = 0;
  bool paused_ = false;
  std::vector<WAVEHDR*> pending_;
  BYTE countdown_ = 0;
  DWORD inDevice_ = 0;
  HWAVEOUT handle_ = nullptr;
};

class TdeAudioOut : public TdeCustomAudioOut {
public:
  using TdeCustomAudioOut::TdeCustomAudioOut;
};

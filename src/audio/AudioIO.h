#pragma once
#include "AudioLink.h"
#include "MessageWindow.h"
#include "WaveFormat.h"
#include <functional>
#include <memory>
#include <vector>

using TBufferEvent = std::function<void(TComponent* sender, const void* audioData, int audioDataSize)>;

// Base of the wave devices: open/close with their events, a pool of global memory blocks reused
// by size, and a hidden window that receives the device's messages on the main thread.
class TdeAudioIO : public TComponent {
public:
  explicit TdeAudioIO(TComponent* owner);
  ~TdeAudioIO() override;

  void Open();
  void Close();
  bool Active() const { return active_; }
  void SetActive(bool value);

  TdeWaveFormat& Format() { return format_; }
  void SetFormat(const TdeWaveFormat& value) { format_.Assign(value); }

  TNotifyEvent AfterClose, AfterOpen, BeforeClose, BeforeOpen;
  bool AutoOpen = true;
  BYTE BufferCount = 4;

protected:
  void Loaded() override;
  virtual void OpenDevice() = 0;
  virtual void CloseDevice() = 0;
  // The device's messages; every message is answered with 1.
  virtual void DeviceMessage(UINT msg, WPARAM wParam, LPARAM lParam) {}

  // A block of at least size bytes from the pool, or a new one; raises EACMAudioOutError.
  void* GetBlock(DWORD size);
  void ReleaseBlock(void* block);
  // Gives every block ever allocated back to the platform, each once.
  void FreePool();
  HWND WindowHandle() const { return window_->Handle(); }

  std::vector<WAVEHDR*> headers_;  // taken by Play and not yet released

private:
  static DWORD StoredSize(const void* block) { return static_cast<const DWORD*>(block)[-1]; }

  bool active_ = false;
  std::vector<void*> pool_;
  TdeWaveFormat format_;
  std::vector<HGLOBAL> allocations_;
  std::unique_ptr<TMessageWindow> window_;
};

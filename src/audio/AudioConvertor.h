#pragma once
#include "AudioLink.h"
#include "MiniConvertor.h"
#include "WaveFormat.h"
#include <functional>
#include <memory>
#include <vector>

// Called with each block the converter produced; Abort is the converter's own flag, which it
// does not act on.
using TAbortableBufferEvent =
    std::function<void(TComponent* sender, const void* audioData, int audioDataSize, bool& abort)>;

// Converts blocks of audio from FormatIn to FormatOut through the ACM, by a chain of up to three
// stages through PCM when there is no direct conversion. Blocks may have any size: what a stage
// cannot convert yet is kept for the next block.
class TdeAudioConvertor : public TComponent, public IdeAudioSubject, public IdeAudioObserver {
public:
  explicit TdeAudioConvertor(TComponent* owner);
  ~TdeAudioConvertor() override;

  void Open();
  void Close();
  bool Active() const { return active_; }
  void SetActive(bool value);

  // Raises EACMConversionError when not active; delivers a block when one came out. Exceptions
  // of the observers and of OnAudioConverted reach the caller.
  void Convert(const void* audioData, int audioDataSize);
  // The end of the stream: delivers what the stages still hold (a codec's last block padded
  // with silence). The converter stays open.
  void Flush();

  TdeWaveFormat& FormatIn() { return formatIn_; }
  TdeWaveFormat& FormatOut() { return formatOut_; }
  void SetFormatIn(const TdeWaveFormat& value) { formatIn_.Assign(value); }
  void SetFormatOut(const TdeWaveFormat& value) { formatOut_.Assign(value); }

  bool RequestRealTime() const { return requestRealTime_; }
  void SetRequestRealTime(bool value);

  TComponent* AudioSource() const { return observer_->Subject(); }
  void SetAudioSource(TComponent* source) { observer_->SetSubject(source); }

  // The formats of the chain built by the last Open (In, the PCM steps, Out).
  int ChainFormatCount() const { return static_cast<int>(formats_.size()); }
  const TdeWaveFormat& ChainFormat(int index) const { return *formats_.at(index); }

  // The block produced by the last Convert (nullptr/0 when none).
  const void* OutputData() const { return output_; }
  int OutputSize() const { return outputSize_; }

  void AddObserver(IdeAudioObserver* observer) override { subject_->AddObserver(observer); }
  void RemoveObserver(IdeAudioObserver* observer) override { subject_->RemoveObserver(observer); }
  TdeWaveFormat& GetFormat() override { return formatOut_; }
  void Receive(IdeAudioSubject* sender, const void* audioData, int audioDataSize) override;

  TAbortableBufferEvent OnAudioConverted;
  TObserverErrorEvent OnObserverError;  // not published; reached through the subject link
  bool Set8087FPUFlag = true;

private:
  bool CanConvert(TdeWaveFormat& source, TdeWaveFormat& dest) const;
  void Suggest(TdeWaveFormat& source, TdeWaveFormat& dest) const;
  void BuildChain();
  void FreeChain();
  void CloseStages();
  void Deliver();

  bool active_ = false;
  TdeAudioObserver* observer_;
  TdeAudioSubject* subject_;
  const void* output_ = nullptr;
  int outputSize_ = 0;
  std::vector<std::unique_ptr<TdeWaveFormat>> formats_;
  std::vector<std::unique_ptr<TMiniConvertor>> stages_;
  TdeWaveFormat formatIn_, formatOut_;
  bool requestRealTime_ = false;
  bool abort_ = false;
};

#include "AudioConvertor.h"
#include "ACMError.h"

TdeAudioConvertor::TdeAudioConvertor(TComponent* owner) : TComponent(owner) {
  observer_ = new TdeAudioObserver(this, [this](IdeAudioSubject* sender, const void* data, int size) {
    Receive(sender, data, size);
  });
  subject_ = new TdeAudioSubject(this);
  subject_->Format = &formatOut_;
  subject_->OnObserverError = [this](IdeAudioSubject* sender, IdeAudioObserver* observer,
                                     const std::exception& e, bool& raise) {
    if (OnObserverError) OnObserverError(sender, observer, e, raise);
  };
}

TdeAudioConvertor::~TdeAudioConvertor() {
  if (active_) {
    active_ = false;
    CloseStages();
  }
  FreeChain();
  observer_->SetSubject(nullptr);
}

void TdeAudioConvertor::SetActive(bool value) {
  if (value == active_) return;
  if (value) Open(); else Close();
}

void TdeAudioConvertor::SetRequestRealTime(bool value) {
  if (active_) throw EACMConversionError(SActive);
  requestRealTime_ = value;
}

void TdeAudioConvertor::Open() {
  if (active_) throw EACMConversionError(SActive);
  BuildChain();
  size_t opened = 0;
  try {
    for (; opened < stages_.size(); ++opened) stages_[opened]->Open(requestRealTime_);
  } catch (...) {
    // Nothing stays open behind a failed Open.
    for (size_t i = 0; i < opened; ++i) stages_[i]->Close();
    throw;
  }
  active_ = true;
}

void TdeAudioConvertor::Close() {
  if (!active_) throw EACMConversionError(SNotActive);
  active_ = false;
  output_ = nullptr;
  outputSize_ = 0;
  CloseStages();
  FreeChain();
}

void TdeAudioConvertor::CloseStages() {
  for (auto& stage : stages_) stage->Close();
}

void TdeAudioConvertor::FreeChain() {
  while (!formats_.empty()) formats_.pop_back();
  while (!stages_.empty()) stages_.pop_back();
}

bool TdeAudioConvertor::CanConvert(TdeWaveFormat& source, TdeWaveFormat& dest) const {
  source.CheckFitsBuffer();
  dest.CheckFitsBuffer();
  DWORD flags = ACM_STREAMOPENF_QUERY | (requestRealTime_ ? 0 : ACM_STREAMOPENF_NONREALTIME);
  return acmStreamOpen(nullptr, nullptr, source.GetFormatPtr(), dest.GetFormatPtr(), nullptr, 0,
                       0, flags) == 0;
}

void TdeAudioConvertor::Suggest(TdeWaveFormat& source, TdeWaveFormat& dest) const {
  source.CheckFitsBuffer();
  dest.CheckFitsBuffer();
  ACMRaiseError<EACMConversionError>(acmFormatSuggest(nullptr, source.GetFormatPtr(),
                                                      dest.GetFormatPtr(), TdeWaveFormat::BufferSize,
                                                      ACM_FORMATSUGGESTF_WFORMATTAG));
}

void TdeAudioConvertor::BuildChain() {
  FreeChain();
  TdeWaveFormat a(formatIn_), d(formatOut_), b, c;
  formats_.push_back(std::make_unique<TdeWaveFormat>(a));
  if (!CanConvert(a, d)) {
    b = a;
    b.SetFormatTag(WAVE_FORMAT_PCM);
    Suggest(a, b);
    if (!CanConvert(a, b)) throw EACMConversionError("Conversion not possible.");
    if (!b.Equals(a) && !b.Equals(d)) formats_.push_back(std::make_unique<TdeWaveFormat>(b));
    if (!CanConvert(b, d)) {
      c = d;
      c.SetFormatTag(WAVE_FORMAT_PCM);
      Suggest(d, c);
      if (!CanConvert(b, c) || !CanConvert(c, d)) throw EACMConversionError("Conversion not possible.");
      if (!c.Equals(b) && !c.Equals(d)) formats_.push_back(std::make_unique<TdeWaveFormat>(c));
    }
  }
  formats_.push_back(std::make_unique<TdeWaveFormat>(d));
  for (size_t i = 0; i + 1 < formats_.size(); ++i)
    stages_.push_back(std::make_unique<TMiniConvertor>(*formats_[i], *formats_[i + 1]));
}

void TdeAudioConvertor::Convert(const void* audioData, int audioDataSize) {
  if (!active_) throw EACMConversionError(SNotActive);
  const void* data = audioData;
  DWORD size = audioDataSize < 0 ? 0 : static_cast<DWORD>(audioDataSize);
  output_ = nullptr;
  outputSize_ = 0;
  for (auto& stage : stages_) {
    size = stage->Convert(data, size, Set8087FPUFlag, ACM_STREAMCONVERTF_BLOCKALIGN);
    if (size == 0) return;
    data = stage->Output();
  }
  output_ = data;
  outputSize_ = static_cast<int>(size);
  Deliver();
}

void TdeAudioConvertor::Flush() {
  if (!active_) throw EACMConversionError(SNotActive);
  const void* data = nullptr;
  DWORD size = 0;
  output_ = nullptr;
  outputSize_ = 0;
  for (auto& stage : stages_) {
    size = stage->Flush(data, size, Set8087FPUFlag);
    data = size ? stage->Output() : nullptr;
  }
  if (size == 0) return;
  output_ = data;
  outputSize_ = static_cast<int>(size);
  Deliver();
}

void TdeAudioConvertor::Deliver() {
  subject_->Notify(output_, outputSize_);
  if (OnAudioConverted) OnAudioConverted(this, output_, outputSize_, abort_);
}

void TdeAudioConvertor::Receive(IdeAudioSubject* sender, const void* audioData, int audioDataSize) {
  if (!active_ || !sender->GetFormat().Equals(formatIn_)) {
    SetActive(false);
    formatIn_.Assign(sender->GetFormat());
    Open();
  }
  Convert(audioData, audioDataSize);
}

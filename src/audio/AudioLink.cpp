#include "AudioLink.h"
#include "ACMError.h"
#include <algorithm>

void TdeAudioSubject::AddObserver(IdeAudioObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void TdeAudioSubject::RemoveObserver(IdeAudioObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TdeAudioSubject::Notify(const void* audioData, int audioDataSize) {
  size_t i = 0;
  while (i < observers_.size()) {
    IdeAudioObserver* observer = observers_[i];
    try {
      observer->Receive(this, audioData, audioDataSize);
    } catch (const std::exception& e) {
      bool raise = RaiseExceptions;
      if (OnObserverError) OnObserverError(this, observer, e, raise);
      if (raise) throw;
    }
    if (i < observers_.size() && observers_[i] == observer) ++i;
  }
}

TdeAudioObserver::TdeAudioObserver(TComponent* owner, Handler handler)
    : TComponent(owner), handler_(std::move(handler)) {}

TdeAudioObserver::~TdeAudioObserver() {
  if (auto* s = dynamic_cast<IdeAudioSubject*>(subject_)) s->RemoveObserver(this);
}

void TdeAudioObserver::SetSubject(TComponent* subject) {
  if (subject && subject == Owner()) throw EACMError("Component cannot observe itself.");
  auto* next = dynamic_cast<IdeAudioSubject*>(subject);
  if (subject && !next) throw EACMError("The selected component is not an audio subject.");
  if (auto* old = dynamic_cast<IdeAudioSubject*>(subject_)) old->RemoveObserver(this);
  if (subject_) RemoveFreeNotification(subject_);
  subject_ = subject;
  if (subject_) {
    FreeNotification(subject_);
    next->AddObserver(this);
  }
}

void TdeAudioObserver::Receive(IdeAudioSubject* sender, const void* audioData, int audioDataSize) {
  if (handler_) handler_(sender, audioData, audioDataSize);
}

void TdeAudioObserver::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == subject_) subject_ = nullptr;
}

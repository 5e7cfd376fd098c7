#pragma once
#include "Component.h"
#include <exception>
#include <functional>
#include <vector>

class TdeWaveFormat;
class IdeAudioObserver;

// One audio component feeding others: a subject hands each block it produces to its observers.
class IdeAudioSubject {
public:
  virtual void AddObserver(IdeAudioObserver* observer) = 0;
  virtual void RemoveObserver(IdeAudioObserver* observer) = 0;
  virtual TdeWaveFormat& GetFormat() = 0;

protected:
  ~IdeAudioSubject() = default;
};

class IdeAudioObserver {
public:
  virtual void Receive(IdeAudioSubject* sender, const void* audioData, int audioDataSize) = 0;

protected:
  ~IdeAudioObserver() = default;
};

// Called when an observer raised E; leaving raise True re-raises E to the notifier's caller.
using TObserverErrorEvent = std::function<void(IdeAudioSubject* sender, IdeAudioObserver* observer,
                                               const std::exception& e, bool& raise)>;

// The subject side, owned by an audio component; Format is the owner's output format.
class TdeAudioSubject : public TComponent, public IdeAudioSubject {
public:
  explicit TdeAudioSubject(TComponent* owner) : TComponent(owner) {}

  void AddObserver(IdeAudioObserver* observer) override;
  void RemoveObserver(IdeAudioObserver* observer) override;
  TdeWaveFormat& GetFormat() override { return *Format; }

  // Hands the block to every observer. An observer may detach itself during its call.
  void Notify(const void* audioData, int audioDataSize);

  TdeWaveFormat* Format = nullptr;  // not owned
  bool RaiseExceptions = true;
  TObserverErrorEvent OnObserverError;

private:
  std::vector<IdeAudioObserver*> observers_;
};

// The observer side, owned by an audio component; blocks from Subject go to the handler.
class TdeAudioObserver : public TComponent, public IdeAudioObserver {
public:
  using Handler = std::function<void(IdeAudioSubject* sender, const void* audioData, int size)>;

  TdeAudioObserver(TComponent* owner, Handler handler);
  ~TdeAudioObserver() override;

  // Raises EACMError when subject is the owner itself or answers no IdeAudioSubject.
  void SetSubject(TComponent* subject);
  TComponent* Subject() const { return subject_; }

  void Receive(IdeAudioSubject* sender, const void* audioData, int audioDataSize) override;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TComponent* subject_ = nullptr;
  Handler handler_;
};

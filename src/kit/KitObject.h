#pragma once
#include <functional>

// Kit events name their sender as an untyped pointer: a sender may be a kit object or a
// component, and handlers compare it rather than use it.
using TKitNotifyEvent = std::function<void(void* Sender)>;

// A plain object that reports its own changes through OnChange, unless locked.
class TKitObject {
public:
  TKitObject() = default;
  virtual ~TKitObject() = default;
  TKitObject(const TKitObject&) = delete;
  TKitObject& operator=(const TKitObject&) = delete;

  virtual void Change();
  // The handler that owned sub-objects' OnChange are pointed at.
  virtual void GetChange(void* Sender) { Change(); }
  void BeginUpdate() { locked_ = true; }
  void EndUpdate(bool notify);
  bool Locked() const { return locked_; }

  TKitNotifyEvent OnChange;

private:
  bool locked_ = false;
};

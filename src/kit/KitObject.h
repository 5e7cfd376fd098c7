#pragma once
#include <functional>

class TKitObject;
using TKitObjectEvent = std::function<void(TKitObject* Sender)>;

// A plain object that reports its own changes through OnChange, unless locked.
class TKitObject {
public:
  TKitObject() = default;
  virtual ~TKitObject() = default;
  TKitObject(const TKitObject&) = delete;
  TKitObject& operator=(const TKitObject&) = delete;

  virtual void Change();
  // The handler that owned sub-objects' OnChange are pointed at.
  virtual void GetChange(TKitObject* Sender) { Change(); }
  void BeginUpdate() { locked_ = true; }
  void EndUpdate(bool notify);
  bool Locked() const { return locked_; }

  TKitObjectEvent OnChange;

private:
  bool locked_ = false;
};

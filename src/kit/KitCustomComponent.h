#pragma once
#include "Component.h"
#include "Control.h"
#include <string>

// Base of every kit component: OnChange, an update lock without nesting, and the About text.
class TKitCustomComponent : public TComponent {
public:
  explicit TKitCustomComponent(TComponent* owner) : TComponent(owner) {}

  virtual void Change();
  virtual void GetChange(TComponent* Sender) { Change(); }
  void BeginUpdate() { locked_ = true; }
  void EndUpdate(bool notify);
  bool Locked() const { return locked_; }

  std::string About;
  TNotifyEvent OnChange;

private:
  bool locked_ = false;
};

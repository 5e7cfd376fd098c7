#pragma once
#include <memory>
#include "Control.h"

class TMessageWindow;

// A window timer on the main thread: OnTimer every Interval ms while Enabled. An interval of 0
// does not run. An exception in OnTimer goes to the application object; the timer goes on.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned interval);

  TNotifyEvent OnTimer;

private:
  void Update();
  std::unique_ptr<TMessageWindow> window_;
  bool enabled_ = true;
  bool running_ = false;
  unsigned interval_ = 1000;
};

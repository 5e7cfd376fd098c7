#include "Timer.h"
#include "Exception.h"
#include "MessageWindow.h"

namespace {
const UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) { Update(); }

TTimer::~TTimer() {
  if (window_ && running_) KillTimer(window_->Handle(), kTimerId);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(unsigned interval) {
  if (interval_ == interval) return;
  interval_ = interval;
  Update();
}

void TTimer::Update() {
  if (window_ && running_) KillTimer(window_->Handle(), kTimerId);
  running_ = false;
  if (!enabled_ || interval_ == 0) return;
  if (!window_) {
    window_ = std::make_unique<TMessageWindow>(
        "TTimerWindow", [this](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
          if (msg != WM_TIMER || wParam != kTimerId) return false;
          // A tick already queued when the timer was stopped is dropped.
          if (running_ && OnTimer) OnTimer(this);
          result = 0;
          return true;
        });
  }
  if (!SetTimer(window_->Handle(), kTimerId, interval_, nullptr))
    throw EOutOfResources("Not enough timers available");
  running_ = true;
}

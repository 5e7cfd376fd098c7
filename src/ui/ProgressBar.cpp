#include "ProgressBar.h"
#include <commctrl.h>

TProgressBar::TProgressBar(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = PROGRESS_CLASSA;
  params.style |= Smooth ? PBS_SMOOTH : 0;
}

void TProgressBar::HandleCreated() {
  Perform(PBM_SETRANGE32, min_, max_);
  Perform(PBM_SETPOS, position_);
}

void TProgressBar::SetRange(int minValue, int maxValue) {
  min_ = minValue;
  max_ = maxValue < minValue ? minValue : maxValue;
  Perform(PBM_SETRANGE32, min_, max_);
  SetPosition(position_);
}

void TProgressBar::SetPosition(int position) {
  position_ = position < min_ ? min_ : position > max_ ? max_ : position;
  Perform(PBM_SETPOS, position_);
}

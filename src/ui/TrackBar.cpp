#include "TrackBar.h"
#include <commctrl.h>

TTrackBar::TTrackBar(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 150, 45);
}

void TTrackBar::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = TRACKBAR_CLASSA;
  params.style |= WS_TABSTOP | TBS_AUTOTICKS | (Orientation == trVertical ? TBS_VERT : TBS_HORZ) |
                  (TickMarks == tmBoth ? TBS_BOTH : TickMarks == tmTopLeft ? TBS_TOP : TBS_BOTTOM);
}

void TTrackBar::HandleCreated() {
  Perform(TBM_SETRANGEMIN, FALSE, min_);
  Perform(TBM_SETRANGEMAX, FALSE, max_);
  Perform(TBM_SETTICFREQ, frequency_);
  Perform(TBM_SETPAGESIZE, 0, pageSize_);
  Perform(TBM_SETPOS, TRUE, position_);
}

void TTrackBar::SetRange(int minValue, int maxValue) {
  min_ = minValue;
  max_ = maxValue < minValue ? minValue : maxValue;
  Perform(TBM_SETRANGEMIN, FALSE, min_);
  Perform(TBM_SETRANGEMAX, TRUE, max_);
  SetPosition(position_ < min_ ? min_ : position_ > max_ ? max_ : position_);
}

int TTrackBar::Position() const {
  if (HandleAllocated()) position_ = static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0));
  return position_;
}

void TTrackBar::SetPosition(int position) {
  position = position < min_ ? min_ : position > max_ ? max_ : position;
  bool changed = position != Position();
  position_ = position;
  Perform(TBM_SETPOS, TRUE, position);
  if (changed && !Loading() && OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int frequency) {
  frequency_ = frequency;
  Perform(TBM_SETTICFREQ, frequency);
}

void TTrackBar::SetPageSize(int size) {
  pageSize_ = size;
  Perform(TBM_SETPAGESIZE, 0, size);
}

void TTrackBar::Scroll(WORD) {
  int before = position_;
  if (Position() != before && OnChange) OnChange(this);
}

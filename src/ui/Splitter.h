#pragma once
#include "Control.h"

// A thin bar between a control aligned at the left (or right) of its parent and the rest: the
// user drags it to change that control's width. The sized control is the visible sibling of the
// same alignment that touches the splitter (so the splitter is made after it). Neither it nor the client area gets narrower than
// MinSize. OnMoved runs after a drag that changed the width.
class TSplitter : public TControl {
public:
  explicit TSplitter(TComponent* owner);

  int MinSize = 30;
  TNotifyEvent OnMoved;
  // The control the splitter sizes now, or nullptr.
  TControl* SizedControl() const;

protected:
  void CreateParams(TCreateParams& params) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  void Track(int screenX);
  void EndTrack();
  TControl* sized_ = nullptr;
  int startX_ = 0;
  int startWidth_ = 0;
  bool moved_ = false;
};

#pragma once
#include "Control.h"

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A bevelled box, frame or line drawn behind the controls around it; it takes no clicks.
class TBevel : public TControl {
public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape shape);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle style);

protected:
  void CreateParams(TCreateParams& params) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void Paint(HDC dc, const RECT& client) override;

private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

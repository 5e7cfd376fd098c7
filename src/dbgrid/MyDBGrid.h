#pragma once
#include "ZorudDBGrid.h"

// The call list's grid: the current row can be set, and OnMouseDown sees a press before the
// grid moves the dataset for it.
class TMyDBGrid : public TZorudDBGrid {
public:
  using TZorudDBGrid::TZorudDBGrid;

  TMouseEvent OnMouseDown;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
    TZorudDBGrid::MouseDown(button, shift, x, y);
  }
};

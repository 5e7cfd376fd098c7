#pragma once
#include "Edit.h"

class TCustomGrid;

// The plain one-line editor a grid lays over its current cell. It hands the grid the keys that
// move between cells, and asks it before the text may change.
class TInplaceEdit : public TEdit {
public:
  explicit TInplaceEdit(TCustomGrid* grid);
  TCustomGrid* Grid() const { return grid_; }

protected:
  void CreateParams(TCreateParams& params) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  bool GridTakesKey(WORD key, TShiftState shift) const;
  TCustomGrid* grid_;
};

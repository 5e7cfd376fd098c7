#pragma once
#include "Control.h"

// A plain area that its owner paints: OnPaint draws on the window's device context whenever the
// area needs painting (after its background was filled with its colour).
class TPaintBox : public TControl {
public:
  explicit TPaintBox(TComponent* owner);
  // Paints the whole area now.
  void Repaint();
  std::function<void(TComponent* sender, HDC dc)> OnPaint;

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(HDC dc, const RECT& client) override;
};

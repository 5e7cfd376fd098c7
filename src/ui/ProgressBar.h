#pragma once
#include "Control.h"

// A progress gauge over Min..Max.
class TProgressBar : public TControl {
public:
  explicit TProgressBar(TComponent* owner);
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int minValue, int maxValue);
  int Position() const { return position_; }
  void SetPosition(int position);
  bool Smooth = false;  // set before the bar gets its parent

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;

private:
  int min_ = 0, max_ = 100, position_ = 0;
};

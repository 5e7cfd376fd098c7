#pragma once
#include "Control.h"

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };

// A slider over Min..Max. OnChange runs when the position changes, by the user or the program
// (not while its form is loading).
class TTrackBar : public TControl {
public:
  explicit TTrackBar(TComponent* owner);

  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int minValue, int maxValue);
  int Position() const;
  void SetPosition(int position);
  int Frequency() const { return frequency_; }
  void SetFrequency(int frequency);
  void SetPageSize(int size);
  TTrackBarOrientation Orientation = trHorizontal;  // set before the bar gets its parent
  TTickMark TickMarks = tmBottomRight;              // likewise
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Scroll(WORD code) override;

private:
  int min_ = 0, max_ = 10, frequency_ = 1, pageSize_ = 2;
  mutable int position_ = 0;
};

#pragma once
#include "Control.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A container with a bevelled edge and a centred caption; its children are placed on it.
class TPanel : public TControl {
public:
  explicit TPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  TAlignment Alignment = taCenter;
  void SetCaption(const std::string& caption) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(HDC dc, const RECT& client) override;

private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
};

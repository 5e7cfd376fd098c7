#pragma once
#include "Control.h"

// A static text. With AutoSize (the default) it takes the size of its caption.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent* owner);
  void SetCaption(const std::string& caption) override;
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  // The label shows its parent's colour (it is always drawn that way unless given a Color).
  bool Transparent = false;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override { AdjustSize(); }
  void FontChanged() override { AdjustSize(); }

private:
  DWORD TextStyle() const;
  void AdjustSize();
  bool autoSize_ = true;
  bool wordWrap_ = false;
  TAlignment alignment_ = taLeftJustify;
};

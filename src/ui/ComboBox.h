#pragma once
#include "ItemsControl.h"

enum TComboBoxStyle { csDropDown, csDropDownList };

// A combo box: a drop-down list (csDropDownList: no free text) or an edit with a list.
// OnChange runs when the user picks an item or edits the text.
class TComboBox : public TItemsControl {
public:
  explicit TComboBox(TComponent* owner);

  TComboBoxStyle Style = csDropDown;  // set before the combo box gets its parent
  int DropDownCount = 8;

  std::string Text() const;
  void SetText(const std::string& text);
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void Command(WORD code) override;
  int WindowHeight(int height) const override { return height + DropDownCount * 16 + 4; }
};

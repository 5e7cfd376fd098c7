#pragma once
#include <vector>
#include "Control.h"

enum TComboBoxStyle { csDropDown, csDropDownList };

// A combo box: a drop-down list (csDropDownList: no free text) or an edit with a list.
// OnChange runs when the user picks an item or edits the text.
class TComboBox : public TControl {
public:
  explicit TComboBox(TComponent* owner);

  TComboBoxStyle Style = csDropDown;  // set before the combo box gets its parent
  int DropDownCount = 8;

  void AddItem(const std::string& item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return items_.at(index); }
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const;
  void SetItemIndex(int index);
  std::string Text() const;
  void SetText(const std::string& text);
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Command(WORD code) override;
  int WindowHeight(int height) const override { return height + DropDownCount * 16 + 4; }

private:
  std::vector<std::string> items_;
  mutable int itemIndex_ = -1;
};

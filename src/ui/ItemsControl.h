#pragma once
#include <string>
#include <vector>
#include "Control.h"

// The base of the list box and the combo box: text items with one selection (-1: none), kept in
// the object and put into the window when it is made.
class TItemsControl : public TControl {
public:
  void AddItem(const std::string& item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return items_.at(index); }
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const;
  void SetItemIndex(int index);

protected:
  // The window's own messages for these (LB_ADDSTRING or CB_ADDSTRING, ...).
  struct TItemMessages {
    UINT add, reset, getSelection, setSelection;
  };
  TItemsControl(TComponent* owner, const TItemMessages& messages);
  void HandleCreated() override;

private:
  TItemMessages messages_;
  std::vector<std::string> items_;
  mutable int itemIndex_ = -1;
};

#pragma once
#include <vector>
#include "Control.h"

// A list of text items with one selection. OnClick runs when the user selects an item.
class TListBox : public TControl {
public:
  explicit TListBox(TComponent* owner);

  void AddItem(const std::string& item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return items_.at(index); }
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const;
  void SetItemIndex(int index);
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Command(WORD code) override;

private:
  std::vector<std::string> items_;
  mutable int itemIndex_ = -1;
};

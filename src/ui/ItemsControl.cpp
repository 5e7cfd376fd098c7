#include "ItemsControl.h"

TItemsControl::TItemsControl(TComponent* owner, const TItemMessages& messages)
    : TControl(owner), messages_(messages) {}

void TItemsControl::HandleCreated() {
  for (const std::string& item : items_)
    Perform(messages_.add, 0, reinterpret_cast<LPARAM>(item.c_str()));
  if (itemIndex_ >= 0) Perform(messages_.setSelection, itemIndex_);
}

void TItemsControl::AddItem(const std::string& item) {
  items_.push_back(item);
  Perform(messages_.add, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void TItemsControl::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Perform(messages_.reset);
}

int TItemsControl::ItemIndex() const {
  if (HandleAllocated())
    itemIndex_ = static_cast<int>(SendMessageA(Handle(), messages_.getSelection, 0, 0));
  return itemIndex_;
}

void TItemsControl::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
  Perform(messages_.setSelection, itemIndex_);
}

#include "KitSysCollection.h"
#include "KitSysBaseComponent.h"
#include "StringList.h"
#include "SysUtils.h"

TKitSysBaseCollectionItem* TKitSysBaseCollection::GetItem(int index) const {
  return index >= 0 && index < static_cast<int>(items_.size()) ? items_[index].get() : nullptr;
}

int TKitSysBaseCollection::IndexOf(const TKitSysBaseCollectionItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

TKitSysBaseCollectionItem& TKitSysBaseCollection::AddItem(std::unique_ptr<TKitSysBaseCollectionItem> item) {
  items_.push_back(std::move(item));
  return *items_.back();
}

void TKitSysBaseCollection::Progress(const std::string& caption, int max, int position) {
  if (auto* component = dynamic_cast<TKitSysBaseComponent*>(owner_)) component->DoProgress(caption, max, position);
}

void TKitSysCollection::ApplyAll() {
  for (int i = 0; i < GetCount(); ++i)
    if (auto* item = dynamic_cast<TKitSysCollectionItem*>(GetItem(i))) item->Apply();
}

void TKitSysCollection::GetPropertiesText(TStringList& list) {
  KitSysPropsToStrings(*this, list, "", nullptr, false);
}

void TKitSysCollection::GetPropertiesTextWithTypes(TStringList& list) {
  KitSysPropsToStrings(*this, list, "", nullptr, true);
}

std::string TKitSysCollectionItem::ItemDescription(const std::string& description) const {
  return StringReplaceAll(description, "%d", IntToStr(Index()));
}

bool TKitSysCollectionItem::HasItemChange(const std::string& description) const {
  return changes_.HasChange(ItemDescription(description), Index());
}

void TKitSysCollectionItem::RecordItemChange(const std::string& description, const std::string& oldValue,
                                             const std::string& newValue) {
  changes_.AddChange(ItemDescription(description), oldValue, newValue, Index());
}

void TKitSysCollectionItem::CommitItemChange(const std::string& description) {
  changes_.CommitChange(ItemDescription(description), Index());
}

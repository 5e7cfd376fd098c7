#include "KitSysChangeList.h"

int TKitSysChangeList::Find(const std::string& description, int item) const {
  for (size_t i = 0; i < changes_.size(); ++i)
    if (changes_[i].Description == description && changes_[i].Item == item) return static_cast<int>(i);
  return -1;
}

void TKitSysChangeList::AddChange(const std::string& description, const std::string& oldValue,
                                  const std::string& newValue, int item) {
  int i = Find(description, item);
  if (i < 0) {
    changes_.push_back({description, oldValue, newValue, item});
    return;
  }
  if (newValue == changes_[i].OldValue)
    changes_.erase(changes_.begin() + i);
  else
    changes_[i].NewValue = newValue;
}

bool TKitSysChangeList::HasChange(const std::string& description, int item) const {
  return Find(description, item) >= 0;
}

void TKitSysChangeList::CommitChange(const std::string& description, int item) {
  int i = Find(description, item);
  if (i < 0) return;
  TPropChange change = changes_[i];
  changes_.erase(changes_.begin() + i);
  if (LogHandler) LogHandler(change.Description, change.OldValue, change.NewValue, Now());
}

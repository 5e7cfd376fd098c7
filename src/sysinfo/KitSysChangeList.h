#pragma once
#include "DateUtils.h"
#include <functional>
#include <string>
#include <vector>

// A change of a writable property that has not been written to the system yet.
struct TPropChange {
  std::string Description;
  std::string OldValue;
  std::string NewValue;
  int Item = -1;  // the collection item it belongs to; -1 for an object's own property
};

// Receives a change once it is written: the property's description, old and new value, and when.
using TKitSysLogChangeEvent = std::function<void(const std::string& propertyDescription, const std::string& oldValue,
                                                 const std::string& newValue, TDateTime datetime)>;

// The pending changes of one object or collection, matched by description (and item).
class TKitSysChangeList {
public:
  // A second change of the same property keeps the first old value; a change back to it
  // drops the entry.
  void AddChange(const std::string& description, const std::string& oldValue, const std::string& newValue,
                 int item = -1);
  bool HasChange(const std::string& description, int item = -1) const;
  // Drops the entry and reports it to the log handler (when one is installed) with Now.
  void CommitChange(const std::string& description, int item = -1);

  int Count() const { return static_cast<int>(changes_.size()); }
  const TPropChange& operator[](int index) const { return changes_.at(index); }

  TKitSysLogChangeEvent LogHandler;

private:
  int Find(const std::string& description, int item) const;
  std::vector<TPropChange> changes_;
};

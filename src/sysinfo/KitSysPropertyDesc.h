#pragma once
#include <deque>
#include <string>

// What a viewer shows of one property: caption, description and, once retrieved, its value.
struct TKitSysPropertyDesc {
  int ID = -1;
  std::string Caption;
  std::string Description;
  bool HasValue = false;
  std::string Value;
};

// A caption and description of a property id, as a kind's text table holds them.
struct TKitSysPropertyText {
  const char* Caption;
  const char* Description;
};

// The descriptors of one object or item. References to descriptors stay valid until Clear.
class TKitSysPropertiesDesc {
public:
  TKitSysPropertyDesc& Add(int id, const std::string& caption, const std::string& description);
  // The first descriptor with that id, or none.
  TKitSysPropertyDesc* ItemByID(int id);
  void ClearValues();
  static void SetValue(TKitSysPropertyDesc& desc, const std::string& text);
  void Clear() { items_.clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  // None outside 0..Count-1.
  const TKitSysPropertyDesc* Item(int index) const;
  // An empty descriptor (no value, empty texts) outside 0..Count-1.
  const TKitSysPropertyDesc& ItemOrEmpty(int index) const;

private:
  std::deque<TKitSysPropertyDesc> items_;
};

// What an object or an item shows of its properties, through its descriptors.
class TKitSysDescribed {
public:
  // Outside the descriptor list: no value, empty texts.
  int GetPropertyCount() const { return descriptors_.Count(); }
  bool GetPropertyHasValue(int index) const { return descriptors_.ItemOrEmpty(index).HasValue; }
  std::string GetPropertyValue(int index) const { return descriptors_.ItemOrEmpty(index).Value; }
  std::string GetPropertyCaption(int index) const { return descriptors_.ItemOrEmpty(index).Caption; }
  std::string GetPropertyDescription(int index) const {
    return descriptors_.ItemOrEmpty(index).Description;
  }
  TKitSysPropertiesDesc& Descriptors() { return descriptors_; }
  const TKitSysPropertiesDesc& Descriptors() const { return descriptors_; }

private:
  TKitSysPropertiesDesc descriptors_;
};

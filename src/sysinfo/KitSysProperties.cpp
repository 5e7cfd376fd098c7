#include "KitSysProperties.h"
#include "KitSysCollection.h"
#include "StringList.h"
#include "SysUtils.h"

TKitSysIdSet::TKitSysIdSet(std::initializer_list<int> ids) {
  for (int id : ids) Include(id);
}

TKitSysIdSet TKitSysIdSet::FirstIds(int count) {
  TKitSysIdSet set;
  for (int id = 0; id < count; ++id) set.Include(id);
  return set;
}

void TKitSysIdSet::Include(int id) {
  if (id >= 0 && id < 256) bits_.set(id);
}

void TKitSysIdSet::Exclude(int id) {
  if (id >= 0 && id < 256) bits_.reset(id);
}

void TKitSysProperties::AddText(const std::string& name, const std::string& typeName, const std::string& value) {
  TKitSysProperty p;
  p.Name = name;
  p.TypeName = typeName;
  p.Value = value;
  items_.push_back(std::move(p));
}

void TKitSysProperties::AddInteger(const std::string& name, int value, const std::string& typeName) {
  AddText(name, typeName, IntToStr(value));
}

void TKitSysProperties::AddInt64(const std::string& name, int64_t value, const std::string& typeName) {
  AddText(name, typeName, IntToStr(value));
}

void TKitSysProperties::AddString(const std::string& name, const std::string& value, const std::string& typeName) {
  AddText(name, typeName, value);
}

void TKitSysProperties::AddEnum(const std::string& name, const std::string& typeName, const std::string& memberName) {
  AddText(name, typeName, memberName);
}

void TKitSysProperties::AddBoolean(const std::string& name, bool value) {
  AddEnum(name, "Boolean", value ? "True" : "False");
}

void TKitSysProperties::AddFloat(const std::string& name, double value, const std::string& typeName) {
  AddText(name, typeName, FloatToStr(value));
}

void TKitSysProperties::AddSet(const std::string& name, const std::string& typeName, const TKitSysIdSet& value,
                               const std::vector<std::string>& memberNames) {
  std::string text;
  for (size_t id = 0; id < memberNames.size(); ++id) {
    if (!value.Contains(static_cast<int>(id))) continue;
    if (!text.empty()) text += ",";
    text += memberNames[id];
  }
  AddText(name, typeName, "[" + text + "]");
}

void TKitSysProperties::AddStrings(const std::string& name, const TStringList* value) {
  if (!value) {
    AddObject(name, "TStrings", nullptr);
    return;
  }
  AddText(name, "TStrings", value->CommaText());
}

void TKitSysProperties::AddObject(const std::string& name, const std::string& typeName, const TKitSysPersistent* value) {
  TKitSysProperty p;
  p.Name = name;
  p.TypeName = typeName;
  p.IsObject = true;
  p.Object = value;
  items_.push_back(std::move(p));
}

void TKitSysProperties::AddUnknown(const std::string& name, const std::string& typeName) {
  AddText(name, typeName, "UNKNOWN");
}

void KitSysPropsToStrings(const TKitSysPersistent& object, TStringList& list, const std::string& prefix,
                          const TKitSysHideRule& hide, bool withTypes) {
  TKitSysProperties properties;
  object.GetProperties(properties);
  for (const TKitSysProperty& p : properties.Items()) {
    if (p.IsObject) {
      if (p.Object) KitSysPropsToStrings(*p.Object, list, prefix + p.Name + ".", hide, withTypes);
      continue;
    }
    bool hidden = false;
    if (hide) hide(p.Name, hidden);
    if (hidden) continue;
    list.Add(prefix + p.Name + (withTypes ? ": " + p.TypeName : std::string()) + " = " + p.Value);
  }
  if (auto* collection = dynamic_cast<const TKitSysBaseCollection*>(&object)) {
    for (int i = 0; i < collection->GetCount(); ++i)
      if (const TKitSysBaseCollectionItem* item = collection->GetItem(i))
        KitSysPropsToStrings(*item, list, prefix + "Item[" + IntToStr(i) + "].", hide, withTypes);
  }
}

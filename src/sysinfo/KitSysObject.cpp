#include "KitSysObject.h"
#include "KitSysBaseComponent.h"
#include "StringList.h"

void TKitSysObject::HideProperty(const std::string& name, bool& hide) {
  if (name == "DisplayInfo") hide = true;
}

void TKitSysObject::GetPropertiesText(TStringList& list) {
  KitSysPropsToStrings(*this, list, "", [this](const std::string& name, bool& hide) { HideProperty(name, hide); },
                       false);
}

void TKitSysObject::GetPropertiesTextWithTypes(TStringList& list) {
  KitSysPropsToStrings(*this, list, "", [this](const std::string& name, bool& hide) { HideProperty(name, hide); },
                       true);
}

void TKitSysObject::Progress(const std::string& caption, int max, int position) {
  if (auto* component = dynamic_cast<TKitSysBaseComponent*>(owner_)) component->DoProgress(caption, max, position);
}

void TKitSysObject::BuildDescriptorsFrom(const std::vector<TKitSysPropertyText>& table, const TKitSysIdSet& selected) {
  Descriptors().Clear();
  for (size_t id = 0; id < table.size(); ++id)
    if (selected.Contains(static_cast<int>(id)))
      Descriptors().Add(static_cast<int>(id), table[id].Caption, table[id].Description);
}

void TKitSysObject::RetrieveValues(const std::string& caption, const TKitSysIdSet& selected,
                                   const std::function<std::string(int id)>& valueText) {
  Progress(caption, 100, 0);
  Descriptors().ClearValues();
  if (!read_) ReadInfo();
  for (int id = 0; id < 256; ++id) {
    if (!selected.Contains(id)) continue;
    if (TKitSysPropertyDesc* desc = Descriptors().ItemByID(id)) TKitSysPropertiesDesc::SetValue(*desc, valueText(id));
  }
  Progress(caption, 100, 100);
  Progress("", 100, 0);
}

TKitSysRegistry& TKitSysObject::MakeRegistry(bool readOnly) {
  if (!registry_) registry_ = std::make_unique<TKitSysRegistry>(readOnly);
  return *registry_;
}

void TKitSysObject::SetRegistryRoot(HKEY root) {
  if (registry_) registry_->SetRootKey(root);
}

void TKitSysObject::CloseRegistryKey() {
  if (registry_) registry_->CloseKey();
}

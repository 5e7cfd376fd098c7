#include "KitSysPropertyDesc.h"

TKitSysPropertyDesc& TKitSysPropertiesDesc::Add(int id, const std::string& caption, const std::string& description) {
  TKitSysPropertyDesc desc;
  desc.ID = id;
  desc.Caption = caption;
  desc.Description = description;
  items_.push_back(std::move(desc));
  return items_.back();
}

TKitSysPropertyDesc* TKitSysPropertiesDesc::ItemByID(int id) {
  for (TKitSysPropertyDesc& desc : items_)
    if (desc.ID == id) return &desc;
  return nullptr;
}

void TKitSysPropertiesDesc::ClearValues() {
  for (TKitSysPropertyDesc& desc : items_) desc.HasValue = false;
}

void TKitSysPropertiesDesc::SetValue(TKitSysPropertyDesc& desc, const std::string& text) {
  desc.HasValue = true;
  desc.Value = text;
}

const TKitSysPropertyDesc* TKitSysPropertiesDesc::Item(int index) const {
  return index >= 0 && index < Count() ? &items_[index] : nullptr;
}

const TKitSysPropertyDesc& TKitSysPropertiesDesc::ItemOrEmpty(int index) const {
  static const TKitSysPropertyDesc empty;
  const TKitSysPropertyDesc* desc = Item(index);
  return desc ? *desc : empty;
}

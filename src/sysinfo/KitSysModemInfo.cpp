#include "KitSysModemInfo.h"
#include "Exception.h"
#include "FileUtils.h"
#include "KitSysModem.h"
#include "KitSysRegistry.h"
#include "SysUtils.h"
#include <windows.h>

const char* const KitModemClassKey = "\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";

namespace {
const std::vector<TKitSysPropertyText> ModemTexts = {
    {"Name", ""}, {"AttachedTo", ""}, {"UserInit", ""}, {"PortSpeed", ""}};
const char* const UserInitChange = "Modem:UserInit";
}

TKitSysModemDisplayInfos AllModemDisplayInfos() {
  return {mopidName, mopidAttachedTo, mopidUserInit, mopidPortSpeed};
}

TKitModemItem::TKitModemItem(TKitModemInfo& collection) : TKitSysCollectionItem(collection) {
  BuildDescriptors();
}

void TKitModemItem::GetProperties(TKitSysProperties& properties) const {
  properties.AddString("Name", name_);
  properties.AddString("AttachedTo", attachedTo_);
  properties.AddString("UserInit", userInit_);
  properties.AddInteger("PortSpeed", portSpeed_);
}

TKitSysModemDisplayInfos TKitModemItem::Selected() const {
  return static_cast<const TKitModemInfo&>(Collection()).DisplayInfo();
}

void TKitModemItem::BuildDescriptors() {
  TKitSysCollectionItem::BuildDescriptors();
  TKitSysModemDisplayInfos selected = Selected();
  for (size_t id = 0; id < ModemTexts.size(); ++id)
    if (selected.Contains(static_cast<int>(id)))
      Descriptors().Add(static_cast<int>(id), ModemTexts[id].Caption, ModemTexts[id].Description);
}

void TKitModemItem::FillValues() {
  Descriptors().ClearValues();
  TKitSysModemDisplayInfos selected = Selected();
  const std::string values[] = {name_, attachedTo_, userInit_, IntToStr(portSpeed_)};
  for (int id = 0; id < 4; ++id) {
    if (!selected.Contains(id)) continue;
    if (TKitSysPropertyDesc* desc = Descriptors().ItemByID(id)) TKitSysPropertiesDesc::SetValue(*desc, values[id]);
  }
}

void TKitModemItem::SetUserInit(const std::string& value) {
  if (value == userInit_) return;
  RecordItemChange(UserInitChange, userInit_, value);
  userInit_ = value;
}

void TKitModemItem::Apply() {
  if (!HasItemChange(UserInitChange)) return;
  TKitSysRegistry registry(false, HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(std::string(KitModemClassKey) + "\\" + key_)) return;
  LONG rc = registry.WriteString("UserInit", userInit_);
  if (rc != ERROR_SUCCESS)
    throw EInOutError("The modem's initialisation command could not be saved: " + SysErrorMessage(rc), rc);
  registry.CloseKey();
  CommitItemChange(UserInitChange);
}

void TKitModemItem::AssignFrom(const TKitModemItem& source) {
  key_ = source.key_;
  portSpeed_ = source.portSpeed_;
  attachedTo_ = source.attachedTo_;
  name_ = source.name_;
  userInit_ = source.userInit_;
  FillValues();
}

TKitModemItem& TKitModemInfo::Add() {
  return static_cast<TKitModemItem&>(AddItem(std::make_unique<TKitModemItem>(*this)));
}

void TKitModemInfo::Assign(const TKitModemInfo& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) Add().AssignFrom(*source.Items(i));
}

TKitSysModemDisplayInfos TKitModemInfo::DisplayInfo() const {
  if (!Owner()) return AllModemDisplayInfos();
  if (auto* modem = dynamic_cast<const TKitSysModem*>(Owner())) return modem->DisplayInfo();
  return {};
}

void TKitModemInfo::Retrieve() {
  Clear();
  Progress("Modems", 100, 0);
  TKitSysRegistry registry(true, HKEY_LOCAL_MACHINE);
  std::vector<std::string> names;
  if (registry.OpenKey(KitModemClassKey)) names = registry.SubKeyNames();
  const int n = static_cast<int>(names.size());
  for (int i = 0; i < n; ++i) {
    Progress("Modems", 100, static_cast<int>(Round(i * 100.0 / n)));
    // A subkey that cannot be opened still counts as a modem, with no values.
    registry.OpenKey(std::string(KitModemClassKey) + "\\" + names[i]);
    TKitModemItem& item = Add();
    item.key_ = names[i];
    registry.ReadString("FriendlyName", item.name_);
    registry.ReadString("AttachedTo", item.attachedTo_);
    registry.ReadString("UserInit", item.userInit_);
    registry.ReadInteger("MaximumPortSpeed", item.portSpeed_);
    item.FillValues();
    registry.CloseKey();
  }
  Progress("", 100, 0);
}

int KitModemPortNumber(const std::string& attachedTo) {
  for (int k = 1; k <= 16; ++k)
    if (attachedTo == "COM" + IntToStr(k)) return k;
  return 0;
}

std::vector<TKitSystemModem> KitSystemModems(const TKitModemInfo& modems) {
  std::vector<TKitSystemModem> list;
  for (int i = 0; i < modems.Count() && i < KitMaxSystemModems; ++i) {
    const TKitModemItem& item = *modems.Items(i);
    list.push_back({item.Name(), item.AttachedTo(), KitModemPortNumber(item.AttachedTo())});
  }
  return list;
}

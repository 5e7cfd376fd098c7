#pragma once
#include "KitSysCollection.h"
#include <string>
#include <vector>

// The platform's modem device class; each installed modem is one subkey (HKEY_LOCAL_MACHINE).
extern const char* const KitModemClassKey;

enum TKitSysModemDisplayInfo { mopidName, mopidAttachedTo, mopidUserInit, mopidPortSpeed };
// Members are the TKitSysModemDisplayInfo ordinals, which are also the descriptor ids.
using TKitSysModemDisplayInfos = TKitSysIdSet;
TKitSysModemDisplayInfos AllModemDisplayInfos();

class TKitModemInfo;

// One installed modem, as its subkey of the modem class key records it.
class TKitModemItem : public TKitSysCollectionItem {
public:
  explicit TKitModemItem(TKitModemInfo& collection);

  std::string ClassName() const override { return "TKitModemItem"; }
  void GetProperties(TKitSysProperties& properties) const override;
  std::string GetCaption() const override { return "Modem"; }
  int GetKindIndex() const override { return 52; }
  // The descriptors of the properties the owner displays, in id order.
  void BuildDescriptors() override;
  // The selected descriptors get their values; the others have none.
  void FillValues();
  // Writes a pending UserInit change to the modem's key. A key that cannot be opened writes
  // nothing and keeps the change; a refused write raises EInOutError and keeps it too.
  void Apply() override;

  // The subkey's name.
  const std::string& Key() const { return key_; }
  int PortSpeed() const { return portSpeed_; }
  const std::string& AttachedTo() const { return attachedTo_; }
  const std::string& Name() const { return name_; }
  const std::string& UserInit() const { return userInit_; }
  // Read-only properties: a value given is ignored.
  void SetPortSpeed(int) {}
  void SetAttachedTo(const std::string&) {}
  void SetName(const std::string&) {}
  // Records the change "Modem:UserInit" (case-sensitive comparison), then stores the text.
  void SetUserInit(const std::string& value);
  // Copies another item's values (the collection's Assign).
  void AssignFrom(const TKitModemItem& source);

private:
  friend class TKitModemInfo;
  TKitSysModemDisplayInfos Selected() const;

  std::string key_;
  int portSpeed_ = 0;
  std::string attachedTo_;
  std::string name_;
  std::string userInit_;
};

// The installed modems, read from the registry by Retrieve. The owner is the component that
// made it (or none); its display selection decides the items' descriptors.
class TKitModemInfo : public TKitSysCollection {
public:
  explicit TKitModemInfo(TComponent* owner) : TKitSysCollection(owner) {}

  std::string ClassName() const override { return "TKitModemInfo"; }
  std::string GetCaption() const override { return "Modems"; }
  int GetKindIndex() const override { return 51; }
  TKitModemItem* Items(int index) const { return static_cast<TKitModemItem*>(GetItem(index)); }
  int Count() const { return GetCount(); }
  TKitModemItem& Add();
  // Makes this collection hold copies of the other's items.
  void Assign(const TKitModemInfo& source);

  // Rebuilds the list: one item per subkey of the modem class key, whatever its name. A value
  // of an unexpected type reads as missing; a missing class key gives an empty list.
  void Retrieve();
  // The properties the items describe: the owning modem component's DisplayInfo, all of them
  // without an owner, none for another owner.
  TKitSysModemDisplayInfos DisplayInfo() const;
};

// What the modem search takes from the system list.
struct TKitSystemModem {
  std::string Name;
  std::string AttachedTo;
  int Port = 0;  // 1..16 when AttachedTo is exactly "COM1" .. "COM16", else 0
};
constexpr int KitMaxSystemModems = 16;
int KitModemPortNumber(const std::string& attachedTo);
// The first KitMaxSystemModems modems of the list, in its order.
std::vector<TKitSystemModem> KitSystemModems(const TKitModemInfo& modems);

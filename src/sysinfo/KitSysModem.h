#pragma once
#include "KitSysBaseComponent.h"
#include "KitSysModemInfo.h"

// The installed modems as a component: Modems is filled by Refresh (after loading when
// AutoRetrieve is set) and again at once when DisplayInfo changes at run time.
class TKitSysModem : public TKitSysBaseComponent {
public:
  explicit TKitSysModem(TComponent* owner);
  ~TKitSysModem() override;

  TKitModemInfo& Modems() { return modems_; }
  const TKitModemInfo& Modems() const { return modems_; }
  // Copies the given collection's items; Modems itself is never replaced.
  void SetModems(const TKitModemInfo& modems) { modems_.Assign(modems); }
  const TKitSysModemDisplayInfos& DisplayInfo() const { return displayInfo_; }
  void SetDisplayInfo(const TKitSysModemDisplayInfos& value);

  // The information object is the collection.
  TKitSysPersistent* GetObject(int index) const override;

protected:
  void DoRetrieve() override { modems_.Retrieve(); }

private:
  TKitSysModemDisplayInfos displayInfo_ = AllModemDisplayInfos();
  mutable TKitModemInfo modems_;
};

#include "KitSysModem.h"

TKitSysModem::TKitSysModem(TComponent* owner) : TKitSysBaseComponent(owner), modems_(this) {
  modems_.SetLogHandler([this](const std::string& d, const std::string& o, const std::string& n, TDateTime t) {
    LogChange(d, o, n, t);
  });
}

TKitSysModem::~TKitSysModem() {
  modems_.SetLogHandler(nullptr);
  modems_.Clear();
}

void TKitSysModem::SetDisplayInfo(const TKitSysModemDisplayInfos& value) {
  if (value == displayInfo_) return;
  displayInfo_ = value;
  if (!Loading() && !Designing()) modems_.Retrieve();
}

TKitSysPersistent* TKitSysModem::GetObject(int) const {
  return &modems_;
}

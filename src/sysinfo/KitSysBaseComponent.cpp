#include "KitSysBaseComponent.h"
#include "KitSysLog.h"
#include "KitSysObject.h"

TKitSysBaseComponent::TKitSysBaseComponent(TComponent* owner) : TKitSysComponent(owner) {}

TKitSysBaseComponent::~TKitSysBaseComponent() {
  if (info_) {
    info_->SetLogHandler(nullptr);
    info_.reset();
  }
  SetSysLog(nullptr);
}

void TKitSysBaseComponent::Refresh() {
  if (OnRefresh) OnRefresh(this);
  DoRetrieve();
  retrieved_ = true;
  if (OnAfterRefresh) OnAfterRefresh(this);
}

TKitSysPersistent* TKitSysBaseComponent::GetObject(int) const {
  return info_.get();
}

void TKitSysBaseComponent::DoProgress(const std::string& aCaption, int aMax, int aPosition) {
  if (OnProgress) OnProgress(this, aCaption, aMax, aPosition);
}

void TKitSysBaseComponent::LogChange(const std::string& propertyDescription, const std::string& oldValue,
                                     const std::string& newValue, TDateTime datetime) {
  if (sysLog_) sysLog_->AddLine(propertyDescription, oldValue, newValue, datetime);
}

void TKitSysBaseComponent::SetSysLog(TKitSysLog* log) {
  if (sysLog_) RemoveFreeNotification(sysLog_);
  sysLog_ = log;
  if (sysLog_) FreeNotification(sysLog_);
}

void TKitSysBaseComponent::Loaded() {
  TKitSysComponent::Loaded();
  if (AutoRetrieve) Refresh();
}

void TKitSysBaseComponent::Notification(TComponent* component, TOperation operation) {
  TKitSysComponent::Notification(component, operation);
  if (operation == opRemove && component == sysLog_) sysLog_ = nullptr;
}

void TKitSysBaseComponent::DoRetrieve() {
  if (info_) info_->Retrieve();
}

void TKitSysBaseComponent::Attach(std::unique_ptr<TKitSysObject> object) {
  info_ = std::move(object);
  if (!info_) return;
  info_->SetLogHandler([this](const std::string& d, const std::string& o, const std::string& n, TDateTime t) {
    LogChange(d, o, n, t);
  });
  info_->SetOwner(this);
  info_->ReadInfo();
}

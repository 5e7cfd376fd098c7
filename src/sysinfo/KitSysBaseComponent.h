#pragma once
#include "Control.h"
#include "DateUtils.h"
#include "KitSysComponent.h"
#include <functional>
#include <memory>
#include <string>

class TKitSysLog;
class TKitSysObject;
class TKitSysPersistent;

using TKitSysComponentOnProgress =
    std::function<void(TComponent* aSender, const std::string& aCaption, int aMax, int aPosition)>;

// A component that owns one information object (or, in a kind that says so, a collection),
// retrieves it on Refresh (at once after loading when AutoRetrieve is set), reports progress,
// and forwards the changes its object writes to an optional change log.
class TKitSysBaseComponent : public TKitSysComponent {
public:
  explicit TKitSysBaseComponent(TComponent* owner);
  ~TKitSysBaseComponent() override;

  // OnRefresh, DoRetrieve, retrieved, OnAfterRefresh.
  void Refresh();
  bool GetRetrieved() const { return retrieved_; }
  virtual int GetObjectCount() const { return 1; }
  // The information object; the index is not used.
  virtual TKitSysPersistent* GetObject(int index) const;
  virtual std::string GetCaption() const { return "System Information Center"; }
  virtual std::string GetDescription() const { return ""; }

  void DoProgress(const std::string& aCaption, int aMax, int aPosition);
  // The log forwarder: hands a written change to SysLog, when there is one.
  void LogChange(const std::string& propertyDescription, const std::string& oldValue, const std::string& newValue,
                 TDateTime datetime);

  TKitSysLog* SysLog() const { return sysLog_; }
  void SetSysLog(TKitSysLog* log);
  bool AutoRetrieve = false;
  TNotifyEvent OnRefresh;
  TNotifyEvent OnAfterRefresh;
  TKitSysComponentOnProgress OnProgress;

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoRetrieve();
  // Takes the information object: installs the log forwarder, becomes its owner, reads it once.
  void Attach(std::unique_ptr<TKitSysObject> object);
  TKitSysObject* InfoObject() const { return info_.get(); }

private:
  TKitSysLog* sysLog_ = nullptr;
  bool retrieved_ = false;
  std::unique_ptr<TKitSysObject> info_;
};

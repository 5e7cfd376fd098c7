#pragma once
#include "DateUtils.h"
#include "KitSysComponent.h"
#include <functional>
#include <string>

class TListBox;
class TMemo;
class TStringList;

using TKitSysLogEvent = std::function<void(TComponent* Sender, const std::string& propertyDescription,
                                           const std::string& oldValue, const std::string& newValue,
                                           TDateTime datetime)>;

// The change log: every change written to the system becomes one line
// "description:old - new <date time>" in a memo, a list box and a string list, whichever are set.
class TKitSysLog : public TKitSysComponent {
public:
  explicit TKitSysLog(TComponent* owner) : TKitSysComponent(owner) {}

  // Fires OnLog, then adds the line to the memo, the list box and the string list. A failure to
  // add to the string list is swallowed; the controls' failures reach the caller.
  void AddLine(const std::string& propertyDescription, const std::string& oldValue, const std::string& newValue,
               TDateTime datetime);
  static std::string LineText(const std::string& propertyDescription, const std::string& oldValue,
                              const std::string& newValue, TDateTime datetime);

  // The controls are let go when they are destroyed; the string list is not watched.
  TMemo* Memo() const { return memo_; }
  void SetMemo(TMemo* memo);
  TListBox* ListBox() const { return listBox_; }
  void SetListBox(TListBox* listBox);
  TStringList* Strings = nullptr;

  TKitSysLogEvent OnLog;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TMemo* memo_ = nullptr;
  TListBox* listBox_ = nullptr;
};

#include "KitSysLog.h"
#include "ListBox.h"
#include "Memo.h"
#include "StringList.h"
#include "SysUtils.h"

std::string TKitSysLog::LineText(const std::string& propertyDescription, const std::string& oldValue,
                                 const std::string& newValue, TDateTime datetime) {
  const TFormatSettings& f = FormatSettings();
  return propertyDescription + ":" + oldValue + " - " + newValue + " " +
         FormatDateTime(f.ShortDateFormat + " " + f.LongTimeFormat, datetime);
}

void TKitSysLog::AddLine(const std::string& propertyDescription, const std::string& oldValue,
                         const std::string& newValue, TDateTime datetime) {
  if (OnLog) OnLog(this, propertyDescription, oldValue, newValue, datetime);
  std::string line = LineText(propertyDescription, oldValue, newValue, datetime);
  if (memo_) memo_->Add(line);
  if (listBox_) listBox_->AddItem(line);
  if (Strings) {
    try {
      Strings->Add(line);
    } catch (...) {
      // A string list that refuses the line (sorted without duplicates, say) loses only that line.
    }
  }
}

void TKitSysLog::SetMemo(TMemo* memo) {
  if (memo_) RemoveFreeNotification(memo_);
  memo_ = memo;
  if (memo_) FreeNotification(memo_);
}

void TKitSysLog::SetListBox(TListBox* listBox) {
  if (listBox_) RemoveFreeNotification(listBox_);
  listBox_ = listBox;
  if (listBox_) FreeNotification(listBox_);
}

void TKitSysLog::Notification(TComponent* component, TOperation operation) {
  TKitSysComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == memo_) memo_ = nullptr;
  if (component == listBox_) listBox_ = nullptr;
}

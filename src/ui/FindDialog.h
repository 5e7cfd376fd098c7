#pragma once
#include <windows.h>
#include <commdlg.h>
#include <memory>
#include <string>
#include "Component.h"

class TMessageWindow;

using TFindOptions = unsigned;
constexpr TFindOptions frDown = 1, frMatchCase = 2, frWholeWord = 4, frDisableUpDown = 8,
                       frHideWholeWord = 16;

// The platform's modeless find dialog. Execute shows it (OnShow runs) and returns at once; each
// "Find Next" updates FindText and Options and runs OnFind; closing it runs OnClose. Tab, Enter
// and Esc work in it while it is open. It stays above the form that owns the component.
class TFindDialog : public TComponent {
public:
  explicit TFindDialog(TComponent* owner);
  ~TFindDialog() override;

  std::string FindText;
  TFindOptions Options = frDown;

  bool Execute();
  void CloseDialog();
  HWND Handle() const { return dialog_; }

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
  TNotifyEvent OnFind;

private:
  bool Message(UINT msg, LPARAM lParam);
  void Closed();

  std::unique_ptr<TMessageWindow> owner_;  // gets the dialog's messages
  FINDREPLACEA find_ = {};
  char text_[256] = {};
  HWND dialog_ = nullptr;
};

#pragma once
#include <string>

// Message boxes over Application.MessageBox (the idle work goes on while they are open) and
// the input box.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32,
                         mbIgnore = 64;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo, mbYesNoCancel = mbYes | mbNo | mbCancel,
                         mbOKCancel = mbOK | mbCancel,
                         mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// A box with the application title and an OK button.
void ShowMessage(const std::string& text);
// A box captioned after its type ("Confirmation", "Error", ...); returns the modal result of the
// button pressed (mrYes, mrNo, mrOk, ...).
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);
// A small modal form with a prompt, a text box holding defaultText, OK and Cancel; returns the
// text, or defaultText when cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultText);
// The same; false when cancelled (text unchanged).
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& text);

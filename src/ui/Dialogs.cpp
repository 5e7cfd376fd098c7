#include "Dialogs.h"
#include "Application.h"
#include "Button.h"
#include "Edit.h"
#include "Form.h"
#include "Label.h"

void ShowMessage(const std::string& text) {
  Application.MessageBox(text, Application.Title(), MB_OK);
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  UINT flags = 0;
  std::string caption;
  switch (type) {
    case mtWarning: flags = MB_ICONWARNING; caption = "Warning"; break;
    case mtError: flags = MB_ICONERROR; caption = "Error"; break;
    case mtInformation: flags = MB_ICONINFORMATION; caption = "Information"; break;
    case mtConfirmation: flags = MB_ICONQUESTION; caption = "Confirmation"; break;
    case mtCustom: caption = Application.Title(); break;
  }
  if ((buttons & mbYesNoCancel) == mbYesNoCancel) flags |= MB_YESNOCANCEL;
  else if ((buttons & mbYesNo) == mbYesNo) flags |= MB_YESNO;
  else if ((buttons & mbAbortRetryIgnore) == mbAbortRetryIgnore) flags |= MB_ABORTRETRYIGNORE;
  else if ((buttons & (mbRetry | mbCancel)) == (mbRetry | mbCancel)) flags |= MB_RETRYCANCEL;
  else if ((buttons & mbOKCancel) == mbOKCancel) flags |= MB_OKCANCEL;
  else flags |= MB_OK;
  return Application.MessageBox(text, caption, flags);
}

namespace {
class TInputForm : public TForm {
public:
  TInputForm(const std::string& caption, const std::string& prompt, const std::string& text)
      : TForm(nullptr, "TInputForm") {
    SetBorderStyle(bsDialog);
    SetCaption(caption);
    Position = poScreenCenter;
    SetClientSize(320, 96);
    auto* label = new TLabel(this);
    label->SetParent(this);
    label->SetBounds(8, 8, 304, 13);
    label->SetCaption(prompt);
    Edit = new TEdit(this);
    Edit->SetParent(this);
    Edit->SetBounds(8, 28, 304, 21);
    Edit->SetText(text);
    auto* ok = new TButton(this);
    ok->SetParent(this);
    ok->SetBounds(156, 62, 75, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->ModalResult = mrOk;
    auto* cancel = new TButton(this);
    cancel->SetParent(this);
    cancel->SetBounds(237, 62, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->ModalResult = mrCancel;
    SetActiveControl(Edit);
    OnShow = [this](TComponent*) { Edit->SelectAll(); };
  }
  TEdit* Edit;
};
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& text) {
  TInputForm* form = NewForm<TInputForm>(caption, prompt, text);
  bool ok = false;
  try {
    ok = form->ShowModal() == mrOk;
    if (ok) text = form->Edit->Text();
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return ok;
}

std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultText) {
  std::string text = defaultText;
  InputQuery(caption, prompt, text);
  return text;
}

#include "ComSelectForm.h"
#include "Bevel.h"
#include "Button.h"
#include "ComboBox.h"
#include "Label.h"
#include "ScomPortSelect.h"

TComSelectForm::TComSelectForm(TComponent* owner, std::function<bool(int)> probe)
    : TForm(owner, "TComSelectForm"), probe_(probe ? std::move(probe) : IsPortAvailable) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetCaption("Select Port");
  Position = poScreenCenter;
  SetClientSize(220, 131);

  auto* bevel = new TBevel(this);
  bevel->SetParent(this);
  bevel->SetBounds(8, 8, 204, 54);
  // Centred and wrapped: the first line is about as wide as the bevel in the usual dialog fonts.
  auto* label1 = new TLabel(this);
  label1->SetParent(this);
  label1->SetAutoSize(false);
  label1->SetWordWrap(true);
  label1->SetAlignment(taCenter);
  label1->SetBounds(10, 13, 200, 28);
  label1->SetCaption("The configured serial port is not valid.");
  auto* label2 = new TLabel(this);
  label2->SetParent(this);
  label2->SetAutoSize(false);
  label2->SetAlignment(taCenter);
  label2->SetBounds(10, 42, 200, 14);
  label2->SetCaption("Please choose another port.");

  PortsComboBox = new TComboBox(this);
  PortsComboBox->Style = csDropDownList;
  PortsComboBox->SetParent(this);
  PortsComboBox->SetBounds(8, 70, 204, 21);

  OkBtn = new TButton(this);
  OkBtn->SetParent(this);
  OkBtn->SetBounds(56, 100, 75, 25);
  OkBtn->SetCaption("OK");
  OkBtn->SetDefault(true);
  OkBtn->ModalResult = mrOk;
  AbortBtn = new TButton(this);
  AbortBtn->SetParent(this);
  AbortBtn->SetBounds(137, 100, 75, 25);
  AbortBtn->SetCaption("Cancel");
  AbortBtn->SetCancel(true);
  AbortBtn->ModalResult = mrCancel;
  SetActiveControl(PortsComboBox);

  OnCreate = [this](TComponent* sender) { FormCreate(sender); };
}

void TComSelectForm::FormCreate(TComponent*) {
  PortsComboBox->Clear();
  for (const std::string& port : AvailablePorts(probe_)) PortsComboBox->AddItem(port);
  PortsComboBox->SetItemIndex(0);
}

WORD TComSelectForm::SelectedComPort() const {
  return static_cast<WORD>(::SelectedComPort(PortsComboBox->Text()));
}

void InstallComSelectPrompt(std::function<bool(int)> probe) {
  SetPortPrompt([probe](int& comNumber) {
    TComSelectForm* form = NewForm<TComSelectForm>(nullptr, probe);
    int result = mrCancel;
    WORD chosen = 0;
    try {
      result = form->ShowModal();
      chosen = form->SelectedComPort();
    } catch (...) {
      form->Free();
      throw;
    }
    form->Free();
    if (result != mrOk || chosen == 0) return false;
    comNumber = chosen;
    return true;
  });
}

#include "SpecModemForm.h"
#include "Button.h"
#include "Dialogs.h"
#include "Exception.h"
#include "KitSysModem.h"
#include "Label.h"
#include "ListBox.h"
#include "MessagePump.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "Panel.h"
#include "Parse.h"
#include "ProgressBar.h"
#include "ProgressForm.h"
#include "SettingsFile.h"

TSpecModemForm* SpecModemForm = nullptr;

TSpecModemForm::TSpecModemForm(TComponent* owner) : TForm(owner, "TSpecModemForm") {
  SetCaption("Modem initialization");
  SetBorderStyle(bsSingle);
  SetBorderIcons(0);
  Position = poMainFormCenter;
  SetClientSize(313, 221);

  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetBounds(12, 8, 60, 13);
  Label1->SetCaption("Modems");
  lboxModems = new TListBox(this);
  lboxModems->SetParent(this);
  lboxModems->SetBounds(12, 26, 289, 121);
  Panel1 = new TPanel(this);
  Panel1->SetParent(this);
  Panel1->SetBounds(12, 154, 289, 22);
  Panel1->SetBevelOuter(bvNone);
  Gauge1 = new TProgressBar(this);
  Gauge1->SetParent(Panel1);
  Gauge1->SetBounds(0, 2, 289, 18);
  Gauge1->SetRange(0, 100);
  Gauge1->SetVisible(false);
  btnOk = new TButton(this);
  btnOk->SetParent(this);
  btnOk->SetBounds(119, 186, 75, 25);
  btnOk->SetCaption("OK");
  btnOk->SetDefault(true);
  btnOk->OnClick = [this](TComponent*) { btnOkClick(); };

  ModemList = new TKitSysModem(this);
  ModemList->Refresh();
  OnShow = [this](TComponent*) { FormShow(); };
}

void TSpecModemForm::EnableControls(bool on) {
  btnOk->SetEnabled(on);
  lboxModems->SetEnabled(on);
}

TModemProbe TSpecModemForm::Probe() { return TModemProbe(*this, *this, fmModem, fmParse); }

void TSpecModemForm::FindModems() {
  EnableControls(true);
  lboxModems->Clear();
  Probe().FindModems(KitSystemModems(ModemList->Modems()));
}

void TSpecModemForm::ChooseCompression() { Probe().ChooseCompression(); }

bool TSpecModemForm::SetCompressionFormat() { return Probe().SetCompressionFormat(); }

void TSpecModemForm::FormShow() {
  if (FoundCount < 1) {
    Ini().WriteBool("Params", "Voicefeatures", false);
    ShowMessage("        No modem detected        ");
    Close();
    return;
  }
  lboxModems->SetItemIndex(0);
}

void TSpecModemForm::btnOkClick() {
  int sel = lboxModems->ItemIndex() + 1;
  if (sel < 1 || sel > FoundCount) {
    Close();
    return;
  }
  if (!fmModem || !fmParse) throw Exception("The modem engine is not ready.");
  Choose(sel - 1);
  EnableControls(false);
  ProcessMessages();
  bool done = true;
  try {
    done = Probe().ProbeModem(sel);
  } catch (...) {
    // A refused write or an unreadable file: nothing half-done stays behind the user's back.
    Gauge1->SetVisible(false);
    fmModem->ClosePort();
    EnableControls(true);
    throw;
  }
  if (done) Close();
}

// ---- What the probe shows ----

void TSpecModemForm::SearchShown(bool shown) {
  if (!ProgressForm) return;
  if (!shown) {
    ProgressForm->Hide();
    return;
  }
  ProgressForm->SetCaption("Finding modems... ");
  ProgressForm->Show();
}

void TSpecModemForm::SearchProgress(int percent) {
  if (ProgressForm) ProgressForm->ProgressBar1->SetPosition(percent);
  ProcessMessages();
}

void TSpecModemForm::ModemListed(const std::string& name) { lboxModems->AddItem(name); }

void TSpecModemForm::ProbeShown(bool shown) { Gauge1->SetVisible(shown); }

void TSpecModemForm::ProbeProgress(int percent) { Gauge1->SetPosition(percent); }

void TSpecModemForm::ChoiceOpen() { EnableControls(true); }

void TSpecModemForm::Tell(const std::string& message) { ShowMessage(message); }

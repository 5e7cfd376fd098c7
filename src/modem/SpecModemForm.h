#pragma once
#include "Form.h"
#include "FoundModems.h"
#include "ModemProbe.h"
#include <string>

class TButton;
class TKitSysModem;
class TLabel;
class TListBox;
class TPanel;
class TProgressBar;

// The modem set-up wizard: finds the modems (the system's list, else a probe of COM1..COM8),
// lets the user pick one and has TModemProbe probe it into qdx.ini, Compressions.d and
// [Modem compression]. Uses the engine fmModem and the parser fmParse.
class TSpecModemForm : public TForm, public TFoundModems, private TModemProbeView {
public:
  explicit TSpecModemForm(TComponent* owner);

  // Fills the list (and the table, emptied first); run before the wizard is shown.
  void FindModems();
  void FormShow();
  void btnOkClick();
  // TModemProbe's, with this wizard's messages.
  void ChooseCompression();
  bool SetCompressionFormat();
  static std::string IdentityText(const std::string& reply) { return TModemProbe::IdentityText(reply); }

  TLabel* Label1;
  TListBox* lboxModems;
  TButton* btnOk;
  TPanel* Panel1;
  TProgressBar* Gauge1;
  TKitSysModem* ModemList;  // the system's modem list, read once when the form is made

private:
  TModemProbe Probe();
  void EnableControls(bool on);

  void SearchShown(bool shown) override;
  void SearchProgress(int percent) override;
  void ModemListed(const std::string& name) override;
  void ProbeShown(bool shown) override;
  void ProbeProgress(int percent) override;
  void ChoiceOpen() override;
  void Tell(const std::string& message) override;
};

extern TSpecModemForm* SpecModemForm;

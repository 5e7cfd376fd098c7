#pragma once
#include "Form.h"
#include "FoundModems.h"
#include <initializer_list>
#include <string>

class TButton;
class TKitSysModem;
class TLabel;
class TListBox;
class TPanel;
class TProgressBar;

// True when the chosen modem passed the voice check ([Params] Voicefeatures as loaded at start).
extern bool VoiceFeatures;

// The modem set-up wizard: finds the modems (the system's list, else a probe of COM1..COM8),
// lets the user pick one, probes it command by command and writes what it learnt to qdx.ini,
// Compressions.d and [Modem compression]. Uses the engine fmModem and the parser fmParse.
class TSpecModemForm : public TForm, public TFoundModems {
public:
  explicit TSpecModemForm(TComponent* owner);

  // Fills the list (and the table, emptied first); run before the wizard is shown.
  void FindModems();
  void FormShow();
  void btnOkClick();
  // Picks the compression to use from Compressions.d: [Modem] VoiceCompression and
  // [Params] Compression.
  void ChooseCompression();
  // Finds the platform's audio format of the compression [Params] Compression and stores it
  // in [Modem compression]; false (qdx.ini unchanged) when there is none.
  bool SetCompressionFormat();

  // An identity answer as stored: its first non-empty line, without the text up to and
  // including the first ":", with nothing but printable ASCII.
  static std::string IdentityText(const std::string& reply);

  TLabel* Label1;
  TListBox* lboxModems;
  TButton* btnOk;
  TPanel* Panel1;
  TProgressBar* Gauge1;
  TKitSysModem* ModemList;  // the system's modem list, read once when the form is made
  bool ProbedDirectly = false;

private:
  void ProbeDirectly();
  std::string Identity(const char* const* queries, int count, const char* fallback);
  bool ProbeModem(int sel);
  // A command of ModemParams and the key it is stored under.
  struct TCommandProbe {
    const char* key;
    std::string TModemParams::*command;
  };
  // Sends each command in turn and stores it, or "none" when refused; the gauge shows step
  // after the first, step + 1 after the second, and so on.
  void Probe(std::initializer_list<TCommandProbe> probes, int step);
  void ProbeGain(const char* query, bool vgt, const char* prefix, const char* key, const char* command);
  void ChooseLine();
  void Step(int step);
  void EnableControls(bool on);
  void Finish();
};

extern TSpecModemForm* SpecModemForm;

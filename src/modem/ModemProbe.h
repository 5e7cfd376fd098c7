#pragma once
#include "FoundModems.h"
#include <initializer_list>
#include <string>
#include <vector>

class TfmModem;
class TfmParse;
struct TKitSystemModem;

// True when the chosen modem passed the voice check ([Params] Voicefeatures as loaded at start).
extern bool VoiceFeatures;

// What the modem probe shows while it works: the set-up wizard, or a test's record of it.
class TModemProbeView {
public:
  virtual ~TModemProbeView() = default;
  // The search of COM1..COM8: its progress shown, at percent, hidden.
  virtual void SearchShown(bool shown) = 0;
  virtual void SearchProgress(int percent) = 0;
  // A modem found, by the name the list shows.
  virtual void ModemListed(const std::string& name) = 0;
  // The probe of the chosen modem: its progress shown, at percent, hidden.
  virtual void ProbeShown(bool shown) = 0;
  virtual void ProbeProgress(int percent) = 0;
  // The choice of a modem is open to the user again.
  virtual void ChoiceOpen() = 0;
  // A message the user must read before the probe goes on.
  virtual void Tell(const std::string& message) = 0;
};

// The modem search and the probe of the chosen modem, without a window: fills the found-modems
// table, asks the modem command by command through the engine, and writes what it learnt to
// qdx.ini, Compressions.d and [Modem compression].
class TModemProbe {
public:
  // The engine and the parser may be null until a step needs them (then Exception).
  TModemProbe(TFoundModems& table, TModemProbeView& view, TfmModem* modem, TfmParse* parse);

  // Empties the table and [Modem]; takes the system's modem list, else probes COM1..COM8.
  void FindModems(const std::vector<TKitSystemModem>& system);
  // Probes table entry sel (ModemParams holds it); false when the choice stays open, because
  // the port did not open.
  bool ProbeModem(int sel);
  // Picks the compression to use from Compressions.d: [Modem] VoiceCompression and
  // [Params] Compression.
  void ChooseCompression();
  // Finds the platform's audio format of the compression [Params] Compression and stores it
  // in [Modem compression]; false (qdx.ini unchanged) when there is none.
  bool SetCompressionFormat();

  // An identity answer as stored: its first non-empty line, without the text up to and
  // including the first ":", with nothing but printable ASCII.
  static std::string IdentityText(const std::string& reply);

private:
  // A command of ModemParams and the key it is stored under.
  struct TCommandProbe {
    const char* key;
    std::string TModemParams::*command;
  };

  TfmModem& Modem() const;
  void ProbeDirectly();
  std::string Identity(const char* const* queries, int count, const char* fallback);
  void WriteIdentity();
  void ProbeVoice(int sel);
  // Sends each command in turn and stores it, or "none" when refused; the progress shows step
  // after the first, step + 1 after the second, and so on.
  void Probe(std::initializer_list<TCommandProbe> probes, int step);
  void ProbeGain(const char* query, bool vgt, const char* prefix, const char* key, const char* command);
  void ChooseLine();
  void Step(int step);

  TFoundModems& table_;
  TModemProbeView& view_;
  TfmModem* modem_;
  TfmParse* parse_;
};

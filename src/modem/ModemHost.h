#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A trace frame: unsigned 8-bit samples at indexes 1..1536 (index 0 carries none).
using TDisp = std::vector<uint8_t>;

// What the engine needs of the main window.
class TModemHost {
public:
  virtual ~TModemHost() = default;
  // The port opened or closed: status panel 0 " Modem on" / " Modem off", the on and off
  // menu items of the main and tray menus checked to match.
  virtual void ModemPortChanged(bool opened) = 0;
  // Runs the stop action (acStop): ends voice receive, files the call, re-arms the modem.
  virtual void StopRecording() = 0;
  // One trace frame for the waveform display.
  virtual void DisplayData(const TDisp& frame) = 0;
  // The recording writer refused a block; nothing more is written to it.
  virtual void RecordingWriteFailed(const std::string& message) = 0;
  // Armed: the modem answered its initialisation and waits for calls. Not armed: its port went
  // away or it did not answer; the engine tries again on its own.
  virtual void ModemArmed(bool) {}
};

// What the engine needs of the caller-ID pop-up.
class TCallerIdView {
public:
  virtual ~TCallerIdView() = default;
  virtual void ShowCaller(const std::string& number) = 0;
  virtual void HideCaller() = 0;
};

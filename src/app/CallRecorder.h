#pragma once
#include <memory>
#include <string>
#include <vector>
#include "DateUtils.h"

class TCallFiler;
class TCallLog;
class TdeRIFFAudioWriter;
class TFileStream;
class TfmModem;

// What the recorder needs of the main window: the engine, the record controls, the call list
// and the two ways of telling the user.
class TCallRecorderHost {
public:
  virtual ~TCallRecorderHost() = default;
  // Null until the engine exists; the recorder does nothing without it.
  virtual TfmModem* Modem() = 0;
  // The record button down: a recording was asked for.
  virtual void RecordPressed() = 0;
  // Record and stop off while the modem is set for the call.
  virtual void StartShown() = 0;
  // The voice receive runs (stop on, the tray icons cycling, the elapsed time counting) or
  // has ended.
  virtual void RecordingShown(bool running) = 0;
  // The idle state: the record button up, record and stop usable.
  virtual void SetControlsState() = 0;
  virtual void SetRecordControls(bool enabled) = 0;
  // The call list shown again from the call table.
  virtual void ShowCalls() = 0;
  // A stop filed its call under this name (empty when nothing of it was kept).
  virtual void Filed(const std::string& recordingName) = 0;
  // A box that waits for a person: asked for only once the modem waits for calls again.
  virtual void Tell(const std::string& message) = 0;
  // A note at the tray icon that waits for nobody.
  virtual void Balloon(const std::string& message) = 0;
};

// The recording lifecycle without a window: the record action (the working file, the modem set
// for voice, the receive started, the call's note on disk), a refused start undone with the
// modem armed again, the stop (the receive ended, the call filed, the modem re-armed), the
// end of a session, and the call to take after an answered ring.
class TCallRecorder {
public:
  TCallRecorder(TCallLog& log, TCallRecorderHost& host);
  ~TCallRecorder();
  TCallRecorder(const TCallRecorder&) = delete;
  TCallRecorder& operator=(const TCallRecorder&) = delete;

  // The record action: nothing while one is under way.
  void Record();
  // The idle moment: in automatic mode, a call the engine answered is recorded.
  void RecordAnsweredCall();
  // The stop action, filing the call under way; the modem is re-armed when reopen is set.
  void Stop(bool reopen);
  // The recording's writer refused a block: the stop that follows says so.
  void WriteFailed(const std::string& message);
  // The session may end: the call under way is filed without reopening the port.
  void SessionEnding();
  // The end of the session did not come: calls are waited for again.
  void SessionGoesOn();

  // From the record action until the stop or the undone start (the record button down).
  bool UnderWay() const { return underWay_; }
  // The voice receive runs.
  bool Receiving() const { return receiving_; }
  // False from the record action until the call's row exists.
  bool GridEventsEnabled() const { return gridEventsEnabled_; }

  // The service switch: the modem is put into voice mode first.
  bool RedirectionMode = false;

  std::string RecordFileName;  // the working file, wav\Recorded.wav
  TDateTime RecordStartTime = 0;
  // Of the last call filed.
  int RecordSeconds = 0;
  std::string CallerNumber;

private:
  TfmModem& Modem() const;
  // False with the reason in refusal.
  bool CreateRecordingFile(std::string& refusal);
  // False (the reason in refusal) when the wav folder has room for less than a minute of the
  // recording format.
  bool RoomForAMinute(std::string& refusal) const;
  // The modem set for voice and the line taken; false once the start is undone and told.
  bool SetUpModem();
  // True when the modem gave the expected reply; else the start is undone and refusal told.
  bool Sent(const std::string& command, const std::string& description, const std::string& expected,
            const char* refusal);
  bool StartReceive();
  // Undoes a refused start: the working file gone, the port reopened and the modem armed
  // again unless told not to.
  void RecoverRecordStart(bool reopen = true);
  // Recovers (reopening the port unless told not to), then tells.
  void FailStart(const std::string& message, bool reopen = true);
  // The stop's filing steps, while the recording's writer is there; what to tell goes to told.
  void FileCall(std::vector<std::string>& told);
  // How much of a recording that failed was saved, as the end of a sentence.
  static std::string SavedPart(const TCallFiler& filer);
  // Opens the port with init and sets ring watching as the settings say; false when the modem
  // is not armed (the engine tries again on its own).
  bool Rearm();

  static constexpr unsigned long long WavHeaderRoom = 4096;

  TCallLog& log_;
  TCallRecorderHost& host_;
  std::unique_ptr<TFileStream> RecordStream;
  std::unique_ptr<TdeRIFFAudioWriter> writer_;
  bool underWay_ = false;
  bool receiving_ = false;
  bool gridEventsEnabled_ = true;
  bool closingPort_ = false;         // the stop waits for the port's close event
  bool disarmedForSession_ = false;  // a call filed for an end of session that may not come
  std::string writeFailure_;
};

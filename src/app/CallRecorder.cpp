#include "CallRecorder.h"
#include "AudioConvertor.h"
#include "AudioStreams.h"
#include "CallFiler.h"
#include "CallLog.h"
#include "Compression.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "Guarded.h"
#include "LiveSettings.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "ModemProbe.h"
#include "ProgramDir.h"
#include "RecordingName.h"
#include "RecordingNote.h"
#include "RecordingRecovery.h"
#include "SysUtils.h"
#include <windows.h>

namespace {

// What the call's row needs, on disk before its audio: a run that ends during the call keeps it.
void NoteCall(const std::string& callerNumber, const std::string& folderId, TDateTime start) {
  TRecordingNote note;
  note.CallerNumber = callerNumber;
  note.FolderId = folderId;
  note.Start = start;
  Guarded("wav\\Recorded.txt", [&] { note.Save(RecordingNotePath()); });
}

}  // namespace

TCallRecorder::TCallRecorder(TCallLog& log, TCallRecorderHost& host) : log_(log), host_(host) {}

TCallRecorder::~TCallRecorder() {
  if (writer_ && RecordWriter == writer_.get()) RecordWriter = nullptr;
}

TfmModem& TCallRecorder::Modem() const { return *host_.Modem(); }

void TCallRecorder::Record() {
  TfmModem* modem = host_.Modem();
  if (underWay_ || !modem) return;
  if (!log_.CallsOpen()) {
    modem->WatchDisconnect = false;
    AddEvent("-- Recording refused: Recordings.d is not open");
    return;
  }
  underWay_ = true;
  gridEventsEnabled_ = false;
  host_.RecordPressed();
  if (modem->VoiceReceiving) return;
  AddEvent("-- Recording started");
  if (LiveSettings.AutoRecord) modem->DisableAutoRecord();
  host_.StartShown();
  std::string refusal;
  if (!CreateRecordingFile(refusal)) return FailStart(refusal);
  // Refused before the line is taken: nobody may be there to read a box.
  if (!RoomForAMinute(refusal)) {
    AddEvent("-- " + refusal);
    host_.Balloon(refusal);
    RecoverRecordStart();
    return;
  }
  if (!SetUpModem()) return;
  if (StartReceive()) {
    host_.RecordingShown(true);
  } else {
    modem->ClosePort();  // the line is off-hook
    FailStart("Error Receiving data..");
  }
}

bool TCallRecorder::SetUpModem() {
  TfmModem& modem = Modem();
  if (!modem.PortOpened && !modem.OpenPort(ModemParams.port, true)) {
    FailStart("Error during opening com port " + std::to_string(ModemParams.port), false);
    return false;
  }
  if (RedirectionMode && !Sent("at+fclass=12", "Setting modem in voice mode..", "OK", "Error Setting modem in voice mode..")) {
    RedirectionMode = false;
    return false;
  }
  if (!Sent(ModemParams.VoiceMode, "Setting modem in voice mode..", "OK", "Error Setting modem in voice mode.."))
    return false;
  const std::string& gain = ModemParams.RecGain;
  size_t eq = gain.find('=');
  std::string gainValue = eq == std::string::npos ? gain.substr(0, 4) : gain.substr(eq + 1, 4);
  if (gainValue != "none" && !Sent(gain, gain, "OK", "Error setting Rec gain..")) return false;
  if (UpperCase(ModemParams.SilenceTimer).find("NONE") == std::string::npos)
    modem.SendCommand(ModemParams.SilenceTimer, ModemParams.SilenceTimer, "OK");
  // Refused before the line goes off-hook: without a rate the stream cannot be taken.
  int rate = 0;
  if (UpperCase(ModemParams.VoiceCompression).find("NONE") != std::string::npos ||
      !TryStrToInt(Trim(CurrentCompression.vsr.Get()), rate) || rate <= 0) {
    FailStart("Voice compression codec can not be recognized");
    return false;
  }
  if (!Sent(ModemParams.VoiceCompression, ModemParams.VoiceCompression, "OK", "Error setting voice compession.."))
    return false;
  if (modem.SendCommand(ModemParams.UseLine, ModemParams.UseLine, ModemParams.UseLineRes) != TSendResult::Expected) {
    modem.ClosePort();
    FailStart("Error setting line..");
    return false;
  }
  return true;
}

bool TCallRecorder::Sent(const std::string& command, const std::string& description, const std::string& expected,
                         const char* refusal) {
  if (Modem().SendCommand(command, description, expected) == TSendResult::Expected) return true;
  FailStart(refusal);
  return false;
}

bool TCallRecorder::CreateRecordingFile(std::string& refusal) {
  if (!ModemFormatKnown()) {
    refusal = "None Codec found to match modem compression";
    return false;
  }
  CreateDirectoryA((ProgramDir + "\\wav").c_str(), nullptr);
  // A leftover of a run that ended during a call is filed before anything truncates it.
  if (!RecoverWorkingFile(log_)) {
    refusal = "The recording left by the last run (wav\\Recorded.wav) could not be filed; "
              "no new recording is started.";
    return false;
  }
  RecordFileName = WorkingRecordingPath();
  try {
    RecordStream = std::make_unique<TFileStream>(RecordFileName, fmCreate);
    writer_ = std::make_unique<TdeRIFFAudioWriter>(*RecordStream);
    // The format that cnvWav converts to, so the header matches the data.
    writer_->SetFormat(LiveSettings.FormatOut);
  } catch (const std::exception& e) {
    writer_.reset();
    RecordStream.reset();
    refusal = std::string("The recording file can not be created.\n") + e.what();
    return false;
  }
  RecordWriter = writer_.get();
  writeFailure_.clear();
  return true;
}

bool TCallRecorder::RoomForAMinute(std::string& refusal) const {
  ULARGE_INTEGER room = {};
  // A folder whose room cannot be read is not refused for it: the writes say what fails.
  if (!GetDiskFreeSpaceExA((ProgramDir + "\\wav\\").c_str(), &room, nullptr, nullptr)) return true;
  const unsigned long long minute = 60ull * LiveSettings.FormatOut.GetAvgBytesPerSec() + WavHeaderRoom;
  if (room.QuadPart >= minute) return true;
  refusal = "The disk is full: the wav folder has room for less than a minute of recording (" +
            std::to_string(room.QuadPart / 1024) + " KB free); the call was not taken.";
  return false;
}

bool TCallRecorder::StartReceive() {
  TfmModem& modem = Modem();
  if (!modem.SendNoWait("at+vrx", "Receiving data...")) return false;
  try {
    modem.StartVoiceReceive();
  } catch (const std::exception& e) {
    AddEvent(e.what());
    return false;
  }
  receiving_ = true;
  RecordStartTime = Now();
  NoteCall(LiveSettings.CallerID ? modem.CallerNumber : "", log_.CurrentFolderId(), RecordStartTime);
  return true;
}

// Told once the modem waits for calls again: nobody may be there to answer the box.
void TCallRecorder::FailStart(const std::string& message, bool reopen) {
  RecoverRecordStart(reopen);
  host_.Tell(message);
}

void TCallRecorder::RecoverRecordStart(bool reopen) {
  TfmModem& modem = Modem();
  underWay_ = false;
  host_.SetControlsState();
  gridEventsEnabled_ = true;
  RecordWriter = nullptr;
  writer_.reset();
  if (RecordStream) {
    RecordStream.reset();
    DeleteFileA(RecordFileName.c_str());  // nothing was written to it
  }
  receiving_ = false;
  modem.WatchDisconnect = false;  // the hang-up watches are for the call that was not taken
  if (reopen) {
    // Opened with its initialisation, then armed by a second one; not armed: tried again on its
    // own, the record controls off until then.
    modem.OpenPort(ModemParams.port, true);
    if (!modem.Arm(ModemParams.port)) host_.SetRecordControls(false);
  } else if (modem.PortOpened) {
    if (LiveSettings.AutoRecord) modem.EnableAutoRecord();
    else modem.DisableAutoRecord();
  } else {
    modem.StartRearm();
  }
  if (!VoiceFeatures) host_.SetRecordControls(false);
}

void TCallRecorder::RecordAnsweredCall() {
  TfmModem* modem = host_.Modem();
  if (!modem || !LiveSettings.AutoRecord || !modem->CallAnswered) return;
  modem->CallAnswered = false;
  Record();
}

void TCallRecorder::Stop(bool reopen) {
  TfmModem* modem = host_.Modem();
  if (underWay_ && receiving_ && modem) {
    AddEvent("-- Recording stopped");
    modem->WatchDisconnect = false;
    Guarded("Recording converter", [&] { modem->EndVoiceReceive(); });
    Guarded("Trace converter", [&] { if (modem->DisplayConvert->Active()) modem->DisplayConvert->Close(); });
    Guarded("Recording converter", [&] { if (modem->cnvWav->Active()) modem->cnvWav->Close(); });
    modem->VoiceReceiving = false;
    host_.RecordingShown(false);
    receiving_ = false;
    closingPort_ = true;
    Guarded("Port", [&] { modem->ClosePort(); });
    closingPort_ = false;
    // Told only once the modem waits for calls again: nobody may be there to answer a box.
    std::vector<std::string> told;
    FileCall(told);
    gridEventsEnabled_ = true;
    Guarded("Call list", [this] { host_.ShowCalls(); });
    bool armed = true;
    if (reopen) Guarded("Port", [&] { armed = Rearm(); });
    underWay_ = false;
    host_.SetControlsState();
    if (!armed) host_.SetRecordControls(false);
    for (const std::string& text : told) host_.Tell(text);
  }
  if (!VoiceFeatures) host_.SetRecordControls(false);
}

void TCallRecorder::FileCall(std::vector<std::string>& told) {
  if (!writer_ || !RecordStream) return;
  CallerNumber = Modem().CallerNumber;
  TCallFiler filer(log_);
  filer.OnMessage = [&](const std::string& text) { told.push_back(text); };
  Guarded("Filing", [&] { filer.File(*writer_, *RecordStream, RecordStartTime, Now(), CallerNumber, LiveSettings.CallerID); });
  RecordSeconds = filer.RecordSeconds;
  host_.Filed(filer.RecordingName);
  RecordWriter = nullptr;
  writer_.reset();
  RecordStream.reset();
  // A working file left unnamed is filed at the next start, with its note.
  if (!FileExists(RecordFileName) && !DeleteRecordingNote()) AddEvent("-- wav\\Recorded.txt could not be deleted");
  if (!writeFailure_.empty()) {
    std::string failure;
    failure.swap(writeFailure_);
    if (failure.find(SysErrorMessage(ERROR_DISK_FULL)) != std::string::npos) failure = "The disk is full";
    told.push_back(failure + ": the recording was stopped" + SavedPart(filer));
  }
}

std::string TCallRecorder::SavedPart(const TCallFiler& filer) {
  if (filer.RecordingName.empty()) return "; nothing of it was saved.";
  if (filer.RecordSeconds < 1) return "; less than a second of it was saved.";
  return "; its first " + std::to_string(filer.RecordSeconds) + " s were saved.";
}

void TCallRecorder::WriteFailed(const std::string& message) {
  if (writeFailure_.empty()) writeFailure_ = message.empty() ? "write error" : message;
}

void TCallRecorder::SessionEnding() {
  if (closingPort_) {
    // A stop waits for the port to close: its call is filed now, before the session ends.
    std::vector<std::string> told;
    FileCall(told);
    for (const std::string& text : told) AddEvent("-- " + text);
  } else if (underWay_) {
    Stop(false);
    disarmedForSession_ = true;
  }
}

void TCallRecorder::SessionGoesOn() {
  if (!disarmedForSession_) return;
  disarmedForSession_ = false;
  Guarded("Port", [this] { Rearm(); });
}

bool TCallRecorder::Rearm() { return Modem().Arm(ModemParams.port); }

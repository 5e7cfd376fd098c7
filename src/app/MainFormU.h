#pragma once
#include <memory>
#include <string>
#include "CallLog.h"
#include "DateUtils.h"
#include "Form.h"
#include "ModemHost.h"

class TAction;
class TActionList;
class TdeAudioOutDevice;
class TdeRIFFAudioWriter;
class TFileStream;
class TImageList;
class TLabel;
class TListBox;
class TMainMenu;
class TMenuItem;
class TPanel;
class TPopupMenu;
class TTimer;
class TTrayNotifyIcon;

// The main window: the folder tree at the left, the calls of the selected folder at the right,
// the status line, the menus and the tray icon; it starts and stops recordings and files them.
// The tree and the call list are plain lists until the tree view and list view controls come.
class TfmQdx : public TForm, public TModemHost {
public:
  explicit TfmQdx(TComponent* owner);
  ~TfmQdx() override;

  // The call log: Database1, FoldersTbl, CallsTbl, DataSource2 and the tree's shape.
  TCallLog Log;
  TZorudTable& FoldersTbl;
  TZorudTable& CallsTbl;

  // Controls.
  TListBox* Tree;
  TListBox* dbGrid1;
  TPanel* StatusBar1;
  TLabel* StatusPanels[3];
  TMainMenu* MainMenu1;
  TMenuItem* Record1;
  TMenuItem* Stop1;
  TMenuItem* Exit1;
  TPopupMenu* trayPopup;
  TMenuItem* TrayOpen;
  TMenuItem* TrayRecord;
  TMenuItem* TrayStop;
  TMenuItem* TrayExit;
  TImageList* TrayIcon;
  TImageList* animateTrayIcon;
  TTrayNotifyIcon* TrayNotifyIcon1;
  TTimer* Timer2;
  TActionList* ActionList1;
  TAction* acRecord;
  TAction* acStop;
  TAction* acAddNode;
  TAction* acAddSubNode;
  TAction* acDeleteNode;
  TAction* acRenameNode;

  // RecSb1's down state: a recording is starting or under way.
  bool RecSb1Down = false;
  bool Closing = false;
  bool RedirectionMode = false;
  bool ExitRequested = true;
  bool GridEventsEnabled = true;
  bool TreeModified = false;
  std::string CallerNumber;
  TdeAudioOutDevice* PlaybackDevice = nullptr;

  std::string RecordFileName;
  TDateTime RecordStartTime = 0;
  int RecordTicks = 0;
  int RecordSeconds = 0;
  std::string RecordingName;

  void FormCreate(TComponent* sender);
  void OpenDatabase();
  void apEventsIdle(TComponent* sender, bool& done);
  void acRecordExecute(TComponent* sender);
  void acStopExecut(TComponent* sender);
  bool CreateRecordingFile();
  bool StartReceive();
  void RecoverRecordStart(bool reopen = true);
  void SetControlsState();
  void SetRecordControls(bool enabled);
  // Files the recording under way without reopening the port: the end of the session.
  void FileRecording();
  // The status line's panels: 0 the modem state or the elapsed time, 1 the port, 2 the modem.
  void SetStatus(int panel, const std::string& text);
  std::string Status(int panel) const { return status_[panel]; }
  // The tree and the call list shown again from the call log.
  void ShowTree();
  void ShowCalls();

  // The engine's side.
  void ModemPortChanged(bool opened) override;
  void StopRecording() override;
  void DisplayData(const TDisp& frame) override;
  void RecordingWriteFailed(const std::string& message) override;

  // Asks the running instance to restore its window (a registered message).
  static UINT RestoreMessage();

protected:
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  void Timer2Timer();
  void TreeChange();
  void AddFolder(bool child);
  void acRenameNodeExecute();
  void acDeleteNodeExecute();
  void FormCloseQuery(bool& canClose);
  void StopAction(bool reopen);
  void FailStart(const std::string& message);
  void Tell(const std::string& text);
  int SelectedNode() const;

  std::unique_ptr<TFileStream> RecordStream;
  std::unique_ptr<TdeRIFFAudioWriter> writer_;
  bool receiving_ = false;
  std::string writeFailure_;
  std::string status_[3];
};

extern TfmQdx* fmQdx;
// Set once every form exists; the idle handler does nothing before.
extern bool Started;

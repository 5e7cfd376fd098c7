#pragma once
#include <string>
#include <vector>
#include "CallLog.h"
#include "CallRecorder.h"
#include "Form.h"
#include "ModemHost.h"
#include "SettingsHost.h"

class TAction;
class TActionList;
class TdeAudioOutDevice;
class TImageList;
class TListView;
class TMainMenu;
class TMenuItem;
class TPaintBox;
class TPanel;
class TPopupMenu;
class TSplitter;
class TStatusBar;
class TTimer;
class TToolBar;
class TToolButton;
class TTrayNotifyIcon;
class TTreeNode;
class TTreeView;

// The main window: the folder tree at the left, the calls of the selected folder at the right,
// the status line, the menus and the tray icon; its recorder starts, stops and files the
// recordings. The call list is a virtual list view over the call table until the data grid comes.
class TfmQdx : public TForm, public TModemHost, public TSettingsHost, public TCallRecorderHost {
public:
  explicit TfmQdx(TComponent* owner);
  ~TfmQdx() override;

  // Asks the running instance to restore its window (a registered message).
  static UINT RestoreMessage();

  // The call log: Database1, FoldersTbl, CallsTbl, DataSource2 and the tree's shape.
  TCallLog Log;
  TZorudTable& FoldersTbl;

  // The controls the folder picker and the tests reach.
  TToolButton* RecSb1;
  TTreeView* Tree;
  TImageList* ImageList3;
  TListView* dbGrid1;
  TAction* acRecord;
  TAction* acStop;
  TAction* acAddNode;
  TAction* acAddSubNode;
  TAction* acInsertNode;
  TAction* acDeleteNode;
  TAction* acRenameNode;
  TAction* acExpandNode;
  TAction* acColapseNode;
  TAction* acExpandAll;
  TAction* acColapseAll;
  TAction* acMoveTo;
  // The record ids gathered from the call list's selection.
  std::vector<std::string> SelectedIds;

  // False from the record action until the call's row exists.
  bool GridEventsEnabled() const { return recorder_.GridEventsEnabled(); }
  void apEventsIdle(TComponent* sender, bool& done);
  // The status line's panels: 0 the modem state or the elapsed time, 1 the port, 2 the modem.
  void SetStatus(int panel, const std::string& text);
  std::string Status(int panel) const;

  // Tree handlers.
  void TreeEdited(TTreeNode* node, std::string& text);
  void TreeDragOver(TControl* source, int x, int y, bool& accept);
  void TreeDragDrop(TControl* source, int x, int y);
  void acRenameNodeExecute();
  void acDeleteNodeExecute();

  // The engine's side.
  void ModemPortChanged(bool opened) override;
  void StopRecording() override;
  void DisplayData(const TDisp& frame) override;
  void RecordingWriteFailed(const std::string& message) override;
  void ModemArmed(bool armed) override;

  // The recorder's side.
  TfmModem* Modem() override;
  void RecordPressed() override;
  void StartShown() override;
  void RecordingShown(bool running) override;
  void SetControlsState() override;
  void SetRecordControls(bool enabled) override;
  // The call list shown again from the call table.
  void ShowCalls() override;
  void Filed(const std::string& recordingName) override { RecordingName = recordingName; }
  void Tell(const std::string& message) override;
  void Balloon(const std::string& message) override;

  // The start-up settings load's side.
  void SetVolume(int position) override { Volume = position; }
  void SetListFont(const std::string& name, int size, unsigned color) override;
  int SplitterWidth() const override;
  void SetSplitterWidth(int width) override;
  void SetColumnWidths(int date, int time, int duration) override;
  void EnableRecordControls(bool enabled) override { SetRecordControls(enabled); }
  void DisableNavigation() override;
  bool FirstCall() override;
  void EnableDelete() override {}
  void DisableCallControls() override;

protected:
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  // Layout (MainFormU.cpp).
  void BuildActions();
  // The main menu, and the tree's pop-up menu with the same folder commands.
  void BuildMenus();
  void BuildToolBar();
  // The folder tree with its images and pop-up menu, and the splitter beside it.
  void BuildTree();
  void BuildCallList();
  void BuildTray();
  // Posted by a failed write: the stop runs once the engine's data handler has returned.
  static constexpr UINT WriteFailedMessage = WM_APP + 20;

  // Creation (MainFormCreate.cpp).
  void FormCreate(TComponent* sender);
  void OpenDatabase();

  // The folder tree (MainFormTree.cpp).
  // The tree view built again from the call log's tree, and the log's tree from the view.
  void ShowTree();
  void TreeToLog();
  void TreeChange(TTreeNode* node);
  void AddFolder(int how);
  void acExpandNodeExecute();
  void acColapseNodeExecute();
  void TreeExpanded(TTreeNode* node);
  void TreeCollapsed(TTreeNode* node);
  void TreeMouseDown(TMouseButton button, int x, int y);
  // Expand and collapse follow the selected node: usable when it has children.
  void SetExpandActions(TTreeNode* node);
  // The chosen folder of the folder picker gets the current call row and the selected ones.
  void acMoveToExecute();
  // Moves the current call row and the selected ones to a folder (nothing on an empty list).
  void MoveRecordsToFolder(const std::string& folderId);

  // Recording (MainFormRecording.cpp).
  void acRecordExecute(TComponent* sender);
  void acStopExecut(TComponent* sender);
  void Timer2Timer();

  // Close and session end (MainFormSession.cpp).
  void FormCloseQuery(bool& canClose);
  // Files the recording under way without reopening the port.
  void FileRecording();
  // The session ends (the call under way filed, the tree, the call log and Events.log saved), or
  // goes on after all.
  void EndSession(bool ending);

  TZorudTable& CallsTbl;
  TToolBar* ToolBar2;
  TToolButton* Playsb1;
  TToolButton* PauseSb1;
  TToolButton* StopSb1;
  TToolButton* PrevSb1;
  TToolButton* NextSb1;
  TPopupMenu* PopupMenu2;
  TSplitter* Splitter1;
  TPanel* Panel3;
  TPaintBox* pBox;
  TStatusBar* StatusBar1;
  TMainMenu* MainMenu1;
  TMenuItem* Record1;
  TMenuItem* Stop1;
  TMenuItem* MoveTo;
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

  bool Closing = false;
  bool ExitRequested = true;
  bool TreeModified = false;
  TdeAudioOutDevice* PlaybackDevice = nullptr;
  int Volume = 8;  // TrackBar2's position, for the player
  int RecordTicks = 0;
  std::string RecordingName;

  TCallRecorder recorder_{Log, *this};
  bool notArmed_ = false;
};

extern TfmQdx* fmQdx;
// Set once every form exists; the idle handler does nothing before.
extern bool Started;

#include "MainFormU.h"
#include "Action.h"
#include "Application.h"
#include "AudioConvertor.h"
#include "AudioDevice.h"
#include "Compression.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
#include "FolderTreeView.h"
#include "Guarded.h"
#include "Font.h"
#include "ImageList.h"
#include "ListView.h"
#include "LiveSettings.h"
#include "Menu.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "SpecModemForm.h"
#include "PaintBox.h"
#include "Panel.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "Splitter.h"
#include "StatusBar.h"
#include "SysUtils.h"
#include "Timer.h"
#include "ToolBar.h"
#include "TrayNotifyIcon.h"
#include "TreeView.h"
#include "UniqueKey.h"

TfmQdx* fmQdx = nullptr;
bool Started = false;

namespace {

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const std::string& caption, TAction* action = nullptr) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  if (action) item->SetAction(action);
  parent->Add(item);
  return item;
}

TAction* NewAction(TActionList* list, const std::string& caption, TShortCut shortCut,
                   std::function<void()> run) {
  auto* a = new TAction(list);
  a->SetCaption(caption);
  a->SetShortCut(shortCut);
  a->OnExecute = [run](TComponent*) { run(); };
  return a;
}

}  // namespace

UINT TfmQdx::RestoreMessage() {
  static UINT message = RegisterWindowMessageA("Vorlane.RestoreMainWindow");
  return message;
}

TfmQdx::TfmQdx(TComponent* owner)
    : TForm(owner, "TfmQdx"), FoldersTbl(Log.FoldersTbl), CallsTbl(Log.CallsTbl) {
  SetCaption("Vorlane");
  SetBounds(150, 360, 500, 530);
  Constraints.MinWidth = 450;
  Constraints.MinHeight = 500;

  ActionList1 = new TActionList(this);
  acRecord = NewAction(ActionList1, "Record", ShortCut('R', scCtrl), [this] { acRecordExecute(acRecord); });
  acStop = NewAction(ActionList1, "Stop", ShortCut('S', scCtrl), [this] { acStopExecut(acStop); });
  acAddNode = NewAction(ActionList1, "Add node", scNone, [this] { AddFolder(0); });
  acAddSubNode = NewAction(ActionList1, "Add child node", scNone, [this] { AddFolder(1); });
  acInsertNode = NewAction(ActionList1, "Insert node", scNone, [this] { AddFolder(2); });
  acDeleteNode = NewAction(ActionList1, "Delete node...", scNone, [this] { acDeleteNodeExecute(); });
  acRenameNode = NewAction(ActionList1, "Rename node", scNone, [this] { acRenameNodeExecute(); });
  acExpandNode = NewAction(ActionList1, "Expand node", scNone, [this] { acExpandNodeExecute(); });
  acColapseNode = NewAction(ActionList1, "Collapse node", scNone, [this] { acColapseNodeExecute(); });
  acExpandAll = NewAction(ActionList1, "Expand all", scNone, [this] { Tree->FullExpand(); });
  acColapseAll = NewAction(ActionList1, "Collapse all", scNone, [this] { Tree->FullCollapse(); });
  acMoveTo = NewAction(ActionList1, "Move to...", scNone, [this] { acMoveToExecute(); });

  MainMenu1 = new TMainMenu(this);
  auto* file = AddItem(this, MainMenu1->Items(), " &File ");
  MoveTo = AddItem(this, file, "", acMoveTo);
  Exit1 = AddItem(this, file, "E&xit");
  Exit1->SetShortCut(ShortCut('X', scCtrl));
  Exit1->OnClick = [this](TComponent*) {
    ExitRequested = true;
    Close();
  };
  auto* tree = AddItem(this, MainMenu1->Items(), " &Tree ");
  PopupMenu2 = new TPopupMenu(this);
  for (TAction* a : {acAddNode, acAddSubNode, acInsertNode, acDeleteNode, acRenameNode, acExpandNode, acColapseNode,
                     acExpandAll, acColapseAll}) {
    AddItem(this, tree, "", a);
    AddItem(this, PopupMenu2->Items(), "", a);
  }
  auto* recorder = AddItem(this, MainMenu1->Items(), " Re&corder ");
  Stop1 = AddItem(this, recorder, "", acStop);
  Record1 = AddItem(this, recorder, "", acRecord);
  SetMenu(MainMenu1);

  ToolBar2 = new TToolBar(this);
  ToolBar2->SetParent(this);
  ToolBar2->SetShowCaptions(true);
  ToolBar2->SetButtonSize(60, 22);
  auto button = [this](const std::string& caption, TAction* action) {
    auto* b = new TToolButton(ToolBar2);
    if (action) b->SetAction(action);
    else b->SetCaption(caption);
    return b;
  };
  Playsb1 = button("Play", nullptr);
  PauseSb1 = button("Pause", nullptr);
  StopSb1 = button("", acStop);
  PrevSb1 = button("Rewind", nullptr);
  NextSb1 = button("Fast forward", nullptr);
  RecSb1 = button("", acRecord);
  for (TToolButton* b : {Playsb1, PauseSb1, PrevSb1, NextSb1}) b->SetEnabled(false);

  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetParent(this);
  for (int width : {80, 80, 50}) StatusBar1->AddPanel(width);

  Tree = new TTreeView(this);
  Tree->SetParent(this);
  Tree->SetWidth(150);
  Tree->SetAlign(alLeft);
  Tree->DragMode = dmAutomatic;
  ImageList3 = new TImageList(this);
  Guarded("Folder images", [this] { ImageList3->AddResourceBitmap("FOLDERS", RGB(255, 0, 255)); });
  Tree->SetImages(ImageList3->Handle());
  Tree->SetPopupMenu(PopupMenu2);
  Tree->OnChange = [this](TComponent*, TTreeNode* node) { TreeChange(node); };
  Tree->OnEdited = [this](TComponent*, TTreeNode* node, std::string& text) { TreeEdited(node, text); };
  Tree->OnMouseDown = [this](TComponent*, TMouseButton button, TShiftState, int x, int y) { TreeMouseDown(button, x, y); };
  Tree->OnExpanded = [this](TComponent*, TTreeNode* node) { TreeExpanded(node); };
  Tree->OnCollapsed = [this](TComponent*, TTreeNode* node) { TreeCollapsed(node); };
  Tree->OnDragOver = [this](TComponent*, TControl* source, int x, int y, bool& accept) {
    TreeDragOver(source, x, y, accept);
  };
  Tree->OnDragDrop = [this](TComponent*, TControl* source, int x, int y) { TreeDragDrop(source, x, y); };
  Splitter1 = new TSplitter(this);
  Splitter1->SetParent(this);
  Splitter1->SetAlign(alLeft);

  Panel3 = new TPanel(this);
  Panel3->SetParent(this);
  Panel3->SetHeight(60);
  Panel3->SetAlign(alBottom);
  pBox = new TPaintBox(this);
  pBox->SetParent(Panel3);
  pBox->SetAlign(alClient);
  pBox->SetColor(0);

  dbGrid1 = new TListView(this);
  dbGrid1->SetParent(this);
  dbGrid1->SetAlign(alClient);
  dbGrid1->AddColumn("Date", 80);
  dbGrid1->AddColumn("Time", 80);
  dbGrid1->AddColumn("Duration", 75);
  dbGrid1->AddColumn("Memo", 1000);
  dbGrid1->DragMode = dmAutomatic;
  dbGrid1->DragThreshold = 20;
  dbGrid1->OnGetCell = [this](int row, int column) -> std::string {
    static const char* const fields[] = {"DateS", "TimeS", "Duration", "Comment"};
    if (!CallsTbl.Active() || row < 0 || row >= CallsTbl.RecordCount() || column < 0 || column > 3) return "";
    CallsTbl.SetActiveRow(row);
    std::string text = CallsTbl.FieldByName(fields[column])->AsString();
    CallsTbl.SetActiveRow(-1);
    return text;
  };
  dbGrid1->OnSelectionChange = [this](TComponent*) {
    int row = dbGrid1->ItemIndex();
    if (CallsTbl.Active() && row >= 0 && row < CallsTbl.RecordCount()) CallsTbl.SetRecNo(row + 1);
  };

  TrayIcon = new TImageList(this, 32, 32);
  animateTrayIcon = new TImageList(this, 32, 32);
  Guarded("Tray icons", [this] {
    TrayIcon->AddResourceIcon("TRAY_ON");
    TrayIcon->AddResourceIcon("TRAY_OFF");
    for (const char* name : {"TRAY_REC0", "TRAY_REC1", "TRAY_REC2", "TRAY_REC3"})
      animateTrayIcon->AddResourceIcon(name);
  });
  trayPopup = new TPopupMenu(this);
  TrayOpen = AddItem(this, trayPopup->Items(), "Show");
  TrayOpen->SetDefault(true);
  TrayOpen->OnClick = [this](TComponent*) { TrayNotifyIcon1->ShowMainForm(); };
  TrayStop = AddItem(this, trayPopup->Items(), "", acStop);
  TrayRecord = AddItem(this, trayPopup->Items(), "", acRecord);
  TrayExit = AddItem(this, trayPopup->Items(), "Exit");
  TrayExit->OnClick = [this](TComponent*) {
    ExitRequested = true;
    Close();
  };
  TrayNotifyIcon1 = new TTrayNotifyIcon(this);
  TrayNotifyIcon1->SetIconList(TrayIcon);
  TrayNotifyIcon1->SetCycleInterval(500);
  TrayNotifyIcon1->SetHint("Vorlane");
  TrayNotifyIcon1->SetPopupMenu(trayPopup);
  TrayNotifyIcon1->MinimizeToTray = true;

  Timer2 = new TTimer(this);
  Timer2->SetInterval(100);
  Timer2->SetEnabled(false);
  Timer2->OnTimer = [this](TComponent*) { Timer2Timer(); };

  Log.OnMessage = [this](const std::string& text) { Tell(text); };
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnCloseQuery = [this](TComponent*, bool& canClose) { FormCloseQuery(canClose); };
  OnDestroy = [this](TComponent*) {
    delete g_Ini;
    g_Ini = nullptr;
  };
  Application.OnIdle = [this](TComponent* s, bool& done) { apEventsIdle(s, done); };
}

TfmQdx::~TfmQdx() {
  Application.OnIdle = nullptr;
  if (fmModem) fmModem->Host = nullptr;
  RecordWriter = nullptr;
  if (fmQdx == this) fmQdx = nullptr;
}

void TfmQdx::Tell(const std::string& message) { ShowMessage(message); }

void TfmQdx::FormCreate(TComponent*) {
  if (!SetCurrentDirectoryA(ProgramDir.c_str())) ShowMessage("Error setting starting directory");
  TreeModified = false;
  // Made first: the forms after this one read it whatever the tables do.
  if (!g_Ini) g_Ini = new TSettingsFile();
  OpenDatabase();
  RECT designed = {Left(), Top(), Left() + Width(), Top() + Height()};
  RECT bounds = g_Ini->ReadMainBounds(designed);
  SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  SetCaption("Vorlane");
  SetActiveControl(Tree);
  if (g_Ini->ReadBool("Params", "StartUp", false)) {
    ExitRequested = false;
    if (__argc > 1 && UpperCase(__argv[1]) == "STARTUP") SetWindowState(wsMinimized);
  }
  PlaybackDevice = nullptr;
  for (int i = 0; i < AudioOutDeviceCount(); ++i) {
    TdeAudioOutDevice* device = AudioOutDevices(i);
    if (device && (device->Support & TdeAudioOutDevice::sfVolume)) {
      PlaybackDevice = device;
      break;
    }
  }
  if (!PlaybackDevice)
    ShowMessage("Your system has no sound card or\nyour sound card is not set up properly.\n"
                "This software requires a sound card to play WAV files");
}

void TfmQdx::OpenDatabase() {
  Log.OpenDatabase();
  Guarded("Folder tree", [this] { ShowTree(); });
}

void TfmQdx::ShowTree() {
  std::string selected = Tree->Selected() ? Tree->Selected()->Data : "";
  std::vector<TTreeNode*> made = ShowFolderTree(*Tree, Log.Tree);
  TTreeNode* select = made.empty() ? nullptr : made.front();
  for (TTreeNode* node : made)
    if (!selected.empty() && node->Data == selected) select = node;
  if (select) Tree->SetSelected(select);
  TreeChange(select);
}

void TfmQdx::TreeToLog() { Log.Tree = FolderTreeOf(*Tree); }

void TfmQdx::ShowCalls() {
  int rows = CallsTbl.Active() ? CallsTbl.RecordCount() : 0;
  dbGrid1->SetRowCount(rows);
  acMoveTo->SetEnabled(rows > 0);
  dbGrid1->Refresh();
  if (rows > 0) dbGrid1->SetItemIndex(CallsTbl.RecNo() > 0 ? CallsTbl.RecNo() - 1 : 0);
}

void TfmQdx::TreeChange(TTreeNode* node) {
  if (node && FoldersTbl.Active()) FoldersTbl.Locate("FolderID", node->Data);
  bool root = !node || node->Level() == 0;
  acInsertNode->SetEnabled(!root && Log.FoldersOpen());
  acRenameNode->SetEnabled(!root && Log.FoldersOpen());
  acDeleteNode->SetEnabled(!root && Log.FoldersOpen() && Log.CallsOpen());
  acAddNode->SetEnabled(node && Log.FoldersOpen());
  acAddSubNode->SetEnabled(node && Log.FoldersOpen());
  SetExpandActions(node);
  ShowCalls();
}

// how: 0 the last sibling, 1 the last child, 2 just before the selected node.
void TfmQdx::AddFolder(int how) {
  TTreeNode* selected = Tree->Selected();
  if (!selected || !Log.FoldersOpen()) return;
  std::string id = CreateUniqueKey();
  FoldersTbl.Append();
  FoldersTbl.FieldByName("FolderId")->SetAsString(id);
  FoldersTbl.FieldByName("FolderName")->SetAsString("");
  FoldersTbl.Post();
  try {
    FoldersTbl.PostAndSave();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Can not save Folders.d file.\n") + e.what());
  }
  TTreeNode* node = how == 1 ? Tree->AddChild(selected, "") : how == 2 ? Tree->Insert(selected, "") : Tree->Add(selected, "");
  node->Data = id;
  ShowFolderImage(node);
  if (how == 1) selected->Expand(true);
  Tree->SetReadOnly(false);
  Tree->SetSelected(node);
  node->EditText();
  TreeModified = true;
}

void TfmQdx::TreeEdited(TTreeNode* node, std::string& text) {
  Tree->SetReadOnly(true);
  // A node whose folder record cannot be found: nothing is written.
  if (!node || !FoldersTbl.Active() || !FoldersTbl.Locate("FolderID", node->Data)) {
    text = node ? node->Text() : text;
    return;
  }
  FoldersTbl.Edit();
  FoldersTbl.FieldByName("FolderName")->SetAsString(text);
  FoldersTbl.Post();
  try {
    FoldersTbl.PostAndSave();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Can not save Folders.d file.\n") + e.what());
  }
  TreeModified = true;
}

void TfmQdx::acRenameNodeExecute() {
  TTreeNode* node = Tree->Selected();
  if (!node) return;
  if (node->Text() == "General") {
    ShowMessage("General folder can not be renamed");
    return;
  }
  Tree->SetReadOnly(false);
  ShowFolderImage(node);
  node->EditText();
}

void TfmQdx::acDeleteNodeExecute() {
  TTreeNode* node = Tree->Selected();
  if (!node) return;
  if (node->Text() == "General") {
    ShowMessage("General folder can not be deleted");
    return;
  }
  if (MessageDlg("Delete node? All of your files will be deleted \nAll of child nodes and files if existing will be also deleted",
                 mtConfirmation, mbOKCancel) != mrOk)
    return;
  TreeToLog();
  int index = node->AbsoluteIndex();
  Log.DeleteFolder(index);  // the calls, their files, the records; Tree.ini saved
  ShowTree();
}

void TfmQdx::TreeDragOver(TControl* source, int x, int y, bool& accept) {
  TTreeNode* target = Tree->GetNodeAt(x, y);
  accept = false;
  if (!target) return;
  if (source == dbGrid1) {
    accept = true;
    return;
  }
  TTreeNode* dragged = Tree->Selected();
  // A root-level folder takes no drop: refused here, so that the pointer does not promise one.
  if (source != Tree || !dragged || dragged->Level() == 0 || target->Level() == 0) return;
  for (TTreeNode* n = target; n; n = n->Parent())
    if (n == dragged) return;
  accept = true;
}

void TfmQdx::TreeDragDrop(TControl* source, int x, int y) {
  TTreeNode* target = Tree->GetNodeAt(x, y);
  if (!target) return;
  if (source == dbGrid1) {
    MoveRecordsToFolder(target->Data);
    return;
  }
  TTreeNode* dragged = Tree->Selected();
  if (source == Tree && dragged && target->Level() > 0 && dragged != target) {
    RECT r = target->DisplayRect(true);
    dragged->MoveTo(target, x < r.left ? naInsert : naAddChildFirst);
    target->Expand(false);
    Tree->SetSelected(target);
    TreeModified = true;
  }
}

void TfmQdx::MoveRecordsToFolder(const std::string& folderId) {
  if (!CallsTbl.Active() || CallsTbl.IsEmpty() || folderId.empty()) return;
  CallsTbl.Edit();
  CallsTbl.FieldByName("FolderId")->SetAsString(folderId);
  CallsTbl.Post();
  for (const std::string& id : SelectedIds)
    if (CallsTbl.Locate("id", id)) {
      CallsTbl.Edit();
      CallsTbl.FieldByName("FolderId")->SetAsString(folderId);
      CallsTbl.Post();
    }
  SelectedIds.clear();
  try {
    CallsTbl.PostAndSave();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Can not save Recordings.d file.\n") + e.what());
  }
  CallsTbl.Refresh();
  ShowCalls();
}

// ---- status and engine side ----

void TfmQdx::SetStatus(int panel, const std::string& text) { StatusBar1->SetPanelText(panel, text); }

std::string TfmQdx::Status(int panel) const { return StatusBar1->PanelText(panel); }

void TfmQdx::ModemPortChanged(bool opened) {
  SetStatus(0, opened ? " Modem on" : notArmed_ ? " Not armed" : " Modem off");
  if (!recorder_.UnderWay()) TrayNotifyIcon1->SetIconIndex(opened ? 0 : 1);
}

void TfmQdx::ModemArmed(bool armed) {
  notArmed_ = !armed;
  if (!recorder_.Receiving()) SetStatus(0, armed ? " Modem on" : " Not armed");
  TrayNotifyIcon1->SetHint(armed ? "Vorlane" : "Vorlane: not armed, no modem answers on COM" +
                                                   std::to_string(ModemParams.port));
  // Armed again on its own: the record controls that the failure turned off come back.
  if (armed && Started && !recorder_.UnderWay() && VoiceFeatures && Log.CallsOpen()) SetRecordControls(true);
}

void TfmQdx::StopRecording() { acStop->Execute(); }

void TfmQdx::DisplayData(const TDisp&) {}

void TfmQdx::RecordingWriteFailed(const std::string& message) {
  // The engine is inside its data handler: the stop comes after it returns.
  recorder_.WriteFailed(message);
  PostMessageA(Handle(), WM_APP + 20, 0, 0);
}

bool TfmQdx::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_APP + 20) {
    if (recorder_.UnderWay()) acStop->Execute();
    result = 0;
    return true;
  }
  if (msg == RestoreMessage() && msg) {
    TrayNotifyIcon1->ShowMainForm();
    Application.Restore();
    SetForegroundWindow(Handle());
    result = 0;
    return true;
  }
  if (msg == WM_QUERYENDSESSION) {
    recorder_.SessionEnding();
    result = TRUE;
    return true;
  }
  if (msg == WM_ENDSESSION) {
    if (wParam) {
      FileRecording();
      TreeToLog();
      Log.SaveTree();
      std::string error;
      Log.SaveUnsaved(error);
      Guarded("Events.log", [] { EventLog().SaveToFile(ProgramDir + "\\Events.log"); });
    } else {
      recorder_.SessionGoesOn();
    }
    result = 0;
    return true;
  }
  return TForm::WndProc(msg, wParam, lParam, result);
}

void TfmQdx::FormCloseQuery(bool& canClose) {
  canClose = true;
  Closing = true;
  if (fmModem) fmModem->StopRearm();
  FileRecording();
  TreeToLog();
  Log.SaveTree();
  std::string error;
  if (!Log.SaveUnsaved(error))
    ShowMessage("The call log could not be saved: " + error + "\nThe newest calls are filed again at the next start.");
}

void TfmQdx::FileRecording() {
  if (recorder_.UnderWay()) recorder_.Stop(false);
}

// ---- recording ----

void TfmQdx::SetRecordControls(bool enabled) { acRecord->SetEnabled(enabled); }

void TfmQdx::SetControlsState() {
  acRecord->SetChecked(false);  // RecSb1 up
  acRecord->SetEnabled(true);
  acStop->SetEnabled(true);
}

void TfmQdx::apEventsIdle(TComponent*, bool&) {
  if (!Started) return;
  recorder_.RecordAnsweredCall();
  if (TreeModified && !Tree->IsEditing()) {
    TreeModified = false;
    TreeToLog();
    Log.SaveTree();
  }
}

void TfmQdx::acRecordExecute(TComponent*) { recorder_.Record(); }

void TfmQdx::acStopExecut(TComponent*) { recorder_.Stop(true); }

TfmModem* TfmQdx::Modem() { return fmModem; }

void TfmQdx::RecordPressed() { acRecord->SetChecked(true); }  // RecSb1 down

void TfmQdx::StartShown() {
  acRecord->SetEnabled(false);
  acStop->SetEnabled(false);
}

void TfmQdx::RecordingShown(bool running) {
  if (running) {
    RecordTicks = 0;
    Timer2->SetEnabled(true);
    acStop->SetEnabled(true);
    TrayNotifyIcon1->SetIconList(animateTrayIcon);
    TrayNotifyIcon1->SetCycleIcons(true);
    return;
  }
  Timer2->SetEnabled(false);
  Guarded("Tray icon", [this] {
    TrayNotifyIcon1->SetCycleIcons(false);
    TrayNotifyIcon1->SetIconList(TrayIcon);
    TrayNotifyIcon1->SetIconIndex(0);
  });
}

void TfmQdx::Balloon(const std::string& message) { TrayNotifyIcon1->ShowBalloon("Vorlane", message); }

void TfmQdx::SetListFont(const std::string& name, int size, unsigned color) {
  TFont font;
  font.Name = name;
  font.Size = size;
  font.Color = color;
  dbGrid1->SetFont(font);
  Tree->SetFont(font);
}

int TfmQdx::SplitterWidth() const { return Tree->Width(); }

void TfmQdx::SetSplitterWidth(int width) { Tree->SetWidth(width); }

void TfmQdx::SetColumnWidths(int date, int time, int duration) {
  dbGrid1->SetColumnWidth(0, date);
  dbGrid1->SetColumnWidth(1, time);
  dbGrid1->SetColumnWidth(2, duration);
}

void TfmQdx::DisableNavigation() {
  PrevSb1->SetEnabled(false);
  NextSb1->SetEnabled(false);
}

bool TfmQdx::FirstCall() {
  if (!CallsTbl.Active() || CallsTbl.IsEmpty()) return false;
  CallsTbl.First();
  RecordingName = CallsTbl.FieldByName("id")->AsString();
  return true;
}

void TfmQdx::DisableCallControls() {
  Playsb1->SetEnabled(false);
  PauseSb1->SetEnabled(false);
  PrevSb1->SetEnabled(false);
  NextSb1->SetEnabled(false);
  if (!recorder_.UnderWay()) acStop->SetEnabled(false);
}

void TfmQdx::Timer2Timer() {
  if (!fmModem || !fmModem->VoiceReceiving) return;
  if (++RecordTicks * 100 >= 1000) {
    RecordTicks = 0;
    int seconds = int(Round((Now() - recorder_.RecordStartTime) * 86400));
    SetStatus(0, Format(" %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60));
  }
}

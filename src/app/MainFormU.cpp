// The main window's layout: its actions, menus, tool bar, folder tree, call list, trace panel,
// status line and tray icon, each wired to its handler; the messages it takes itself.
#include "MainFormU.h"
#include "Action.h"
#include "Application.h"
#include "Guarded.h"
#include "ImageList.h"
#include "Menu.h"
#include "ModemEngine.h"
#include "PaintBox.h"
#include "Panel.h"
#include "SettingsFile.h"
#include "Splitter.h"
#include "StatusBar.h"
#include "Timer.h"
#include "ToolBar.h"
#include "TrayNotifyIcon.h"
#include "TreeView.h"

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

  // The controls in the order of their alignment: each takes its side of what is left.
  BuildActions();
  BuildMenus();
  BuildToolBar();
  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetParent(this);
  for (int width : {80, 80, 50}) StatusBar1->AddPanel(width);
  BuildTree();
  // The trace of the recording being played.
  Panel3 = new TPanel(this);
  Panel3->SetParent(this);
  Panel3->SetHeight(60);
  Panel3->SetAlign(alBottom);
  pBox = new TPaintBox(this);
  pBox->SetParent(Panel3);
  pBox->SetAlign(alClient);
  pBox->SetColor(0);
  BuildCallList();
  BuildTray();

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

void TfmQdx::BuildActions() {
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
}

void TfmQdx::BuildMenus() {
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
}

void TfmQdx::BuildToolBar() {
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
}

void TfmQdx::BuildTree() {
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
}

void TfmQdx::BuildTray() {
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
}

TfmQdx::~TfmQdx() {
  Application.OnIdle = nullptr;
  if (fmModem) fmModem->Host = nullptr;
  RecordWriter = nullptr;
  if (fmQdx == this) fmQdx = nullptr;
}

bool TfmQdx::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WriteFailedMessage) {
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
    EndSession(wParam != 0);
    result = 0;
    return true;
  }
  return TForm::WndProc(msg, wParam, lParam, result);
}


// The main window's folder tree: the General rules, adding, inserting and naming folders, moving
// folders by drag, moving calls by dropping them on a folder and through "Move to...", expanding
// and collapsing with the folder images, the tree's pop-up menu, deleting a folder with its calls,
// and Tree.ini kept current. The mouse, the keys and the dialog are driven through their window
// messages.
#include "Action.h"
#include "CallLogTestUtil.h"
#include "FolderTreeView.h"
#include "ImageList.h"
#include "ListView.h"
#include "MainFormU.h"
#include "MoveToU.h"
#include "SettingsFile.h"
#include "Timer.h"
#include "TreeU.h"
#include "TreeView.h"
#include "UiTest.h"
#include <gtest/gtest.h>
#include <atomic>
#include <map>
#include <thread>

namespace {

class MainForm : public ::testing::Test {
protected:
  void SetUp() override {
    g_Ini = new TSettingsFile(dir / "qdx.ini");
    TBoxWatcher boxes;  // the sound-card warning, where the machine has none
    form = NewForm<TfmQdx>(nullptr);
    form->Show();
    Started = true;
  }
  void TearDown() override {
    Started = false;
    form->Free();
  }
  void Idle() {
    bool done = true;
    form->apEventsIdle(nullptr, done);
  }
  POINT CentreOf(TTreeNode* node) {
    RECT r = node->DisplayRect(true);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  std::string FolderOf(const std::string& callId) {
    for (const auto& r : form->Log.AllCalls())
      if (r.Id == callId) return r.FolderId;
    return "<none>";
  }

  AppFolder dir;
  TfmQdx* form = nullptr;
};

}  // namespace

TEST_F(MainForm, FoldersAreAddedNamedDroppedOnAndDeletedWithTheirCalls) {
  ASSERT_EQ(form->Tree->Count(), 1);
  TTreeNode* general = form->Tree->Item(0);
  EXPECT_EQ(general->Text(), "General");
  EXPECT_EQ(form->Tree->Selected(), general);
  EXPECT_FALSE(form->acDeleteNode->Enabled());  // a root folder
  EXPECT_FALSE(form->acRenameNode->Enabled());
  {
    TBoxWatcher boxes;
    form->acDeleteNodeExecute();
    form->acRenameNodeExecute();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"General folder can not be deleted", "General folder can not be renamed"}));
  }
  EXPECT_EQ(form->Tree->Count(), 1);

  // A child folder: its record first, then the name typed into the label.
  form->acAddSubNode->Execute();
  ASSERT_EQ(form->Tree->Count(), 2);
  TTreeNode* work = form->Tree->Item(1);
  std::string workId = work->Data;
  EXPECT_EQ(form->FoldersTbl.RecordCount(), 2);
  EXPECT_TRUE(form->Tree->IsEditing());
  TreeView_EndEditLabelNow(form->Tree->Handle(), TRUE);  // the edit box gone; the name comes below
  std::string typed = "Work";
  form->TreeEdited(work, typed);
  work->SetText(typed);
  EXPECT_EQ(form->Log.FolderIdByName("Work"), workId);
  Idle();
  TFolderTree stored = LoadTreeFromIni(dir / "Tree.ini");
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1].Text, "Work");
  EXPECT_EQ(stored[1].Level, 1);
  EXPECT_EQ(stored[1].FolderId, workId);
  EXPECT_TRUE(form->acDeleteNode->Enabled());

  // A call in General dropped on Work moves there; an empty list moves nothing.
  form->Tree->SetSelected(general);
  std::string error;
  ASSERT_TRUE(form->Log.AppendCall({"c1", DateToStr(Date()), TimeToStr(EncodeTime(10, 0, 0, 0)), "00:05", "42", general->Data, 1}, error));
  form->ShowCalls();
  ASSERT_EQ(form->dbGrid1->RowCount(), 1);
  EXPECT_EQ(form->dbGrid1->OnGetCell(0, 3), "42");
  POINT p = CentreOf(work);
  bool accept = false;
  form->TreeDragOver(form->dbGrid1, p.x, p.y, accept);
  EXPECT_TRUE(accept);
  form->TreeDragDrop(form->dbGrid1, p.x, p.y);
  EXPECT_EQ(FolderOf("c1"), workId);
  EXPECT_EQ(form->dbGrid1->RowCount(), 0);
  form->TreeDragDrop(form->dbGrid1, p.x, p.y);
  EXPECT_EQ(form->Log.AllCalls().size(), 1u);
  // A root folder cannot be dragged; a folder cannot be dropped into itself.
  form->Tree->SetSelected(general);
  form->TreeDragOver(form->Tree, p.x, p.y, accept);
  EXPECT_FALSE(accept);
  form->Tree->SetSelected(work);
  form->TreeDragOver(form->Tree, p.x, p.y, accept);
  EXPECT_FALSE(accept);

  // A name edit of a node whose folder record is gone writes nothing.
  std::string folders = ReadWholeFile(dir / "Folders.d");
  work->Data = "gone";
  std::string other = "Other";
  form->TreeEdited(work, other);
  EXPECT_EQ(ReadWholeFile(dir / "Folders.d"), folders);
  work->Data = workId;

  // Deleting Work deletes its call and the call's file.
  WriteWav(dir.Wav(MakeRecordingName(1, DateToStr(Date()), TimeToStr(EncodeTime(10, 0, 0, 0))) + ".wav"), 10);
  form->Tree->SetSelected(work);
  {
    TBoxWatcher boxes(IDOK);
    form->acDeleteNodeExecute();
    EXPECT_EQ(boxes.Texts().size(), 1u);
  }
  EXPECT_EQ(form->Tree->Count(), 1);
  EXPECT_TRUE(form->Log.AllCalls().empty());
  EXPECT_EQ(dir.WavListing(), "");
  EXPECT_EQ(form->FoldersTbl.RecordCount(), 1);
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 1u);
}

namespace {

// General > {Family, Work > Clients > Acme}, and Archive, a second root; General, Work and
// Clients expanded. The folder records are made from it at the start.
const char* const FixtureTree =
    "[Tree]\r\nNode0=General\r\nNode1=#Family\r\nNode2=#Work\r\nNode3=##Clients\r\nNode4=###Acme\r\nNode5=Archive\r\n"
    "[Folders]\r\nNode0=G\r\nNode1=F\r\nNode2=W\r\nNode3=C\r\nNode4=A\r\nNode5=R\r\n"
    "[Expanded]\r\nNode0=1\r\nNode1=0\r\nNode2=1\r\nNode3=1\r\nNode4=0\r\nNode5=0\r\n";

// Pictures go beside the test program (the program folder of the test is temporary).
std::string PicturePath(const std::string& name) {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path = exe;
  return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

// One word per folder in flat order: a "#" per level, then its name.
std::string Shape(const TFolderTree& tree) {
  std::string out;
  for (const TFolderNode& n : tree) out += (out.empty() ? "" : " ") + std::string(size_t(n.Level), '#') + n.Text;
  return out;
}

class FolderTree : public MainForm {
protected:
  void SetUp() override {
    WriteWholeFile(dir / "Tree.ini", FixtureTree);
    MainForm::SetUp();
    form->SetBounds(100, 20, 500, 530);  // all on the screen, for the pictures
    PumpMs(100);
  }
  TTreeNode* Node(const std::string& text) {
    for (TTreeNode* n : form->Tree->Nodes())
      if (n->Text() == text) return n;
    return nullptr;
  }
  std::string ViewShape() { return Shape(FolderTreeOf(*form->Tree)); }
  TFolderTree Stored() {
    Idle();
    return LoadTreeFromIni(dir / "Tree.ini");
  }
  void Post(UINT msg, POINT p, WPARAM keys = 0) {
    PostMessageA(form->Tree->Handle(), msg, keys, MAKELPARAM(p.x, p.y));
  }
  // Drags a folder with the mouse and lets it go at a point of the tree.
  void Drag(TTreeNode* from, POINT to) {
    POINT p = CentreOf(from);
    Post(WM_LBUTTONDOWN, p, MK_LBUTTON);
    Post(WM_MOUSEMOVE, {p.x + 15, p.y}, MK_LBUTTON);
    Post(WM_MOUSEMOVE, to, MK_LBUTTON);
    Post(WM_LBUTTONUP, to);
    PumpMs(400);
  }
  // The images that the tree's window shows for a node: normal and selected.
  std::pair<int, int> Images(TTreeNode* node) {
    TVITEMA it = {};
    it.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = node->ItemId();
    form->Tree->Perform(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    return {it.iImage, it.iSelectedImage};
  }
  // A click on the node's expand button.
  void ClickButton(TTreeNode* node) {
    RECT row = node->DisplayRect(false);
    int y = (row.top + row.bottom) / 2;
    for (int x = 0; x < node->DisplayRect(true).left; ++x) {
      TVHITTESTINFO hit = {};
      hit.pt = {x, y};
      form->Tree->Perform(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.flags & TVHT_ONITEMBUTTON) {
        Post(WM_LBUTTONDOWN, hit.pt, MK_LBUTTON);
        Post(WM_LBUTTONUP, hit.pt);
        PumpMs(300);
        return;
      }
    }
    ADD_FAILURE() << "no button on " << node->Text();
  }
};

}  // namespace

TEST_F(FolderTree, AFolderDraggedOntoAnotherBecomesItsFirstChildOrGoesJustBeforeIt) {
  std::string folders = ReadWholeFile(dir / "Folders.d");
  // Onto a label: the first child of that folder, which opens and is selected.
  Drag(Node("Acme"), CentreOf(Node("Family")));
  EXPECT_EQ(ViewShape(), "General #Family ##Acme #Work ##Clients Archive");
  EXPECT_TRUE(Node("Family")->Expanded());
  EXPECT_EQ(form->Tree->Selected(), Node("Family"));
  // Left of a label (on the folder's icon): just before that folder, with its subfolders.
  RECT label = Node("Family")->DisplayRect(true);
  Drag(Node("Work"), {label.left - 6, (label.top + label.bottom) / 2});
  EXPECT_EQ(ViewShape(), "General #Work ##Clients #Family ##Acme Archive");

  // The new shape is stored, each folder with its own id; no folder record changes.
  TFolderTree stored = Stored();
  EXPECT_EQ(Shape(stored), "General #Work ##Clients #Family ##Acme Archive");
  std::string ids;
  for (const TFolderNode& n : stored) ids += n.FolderId;
  EXPECT_EQ(ids, "GWCFAR");
  EXPECT_EQ(ReadWholeFile(dir / "Folders.d"), folders);
}

TEST_F(FolderTree, DragsOntoADescendantAndFromOrOntoTheRootLevelAreRefusedAndMoveNothing) {
  struct Case {
    const char* dragged;
    const char* onto;
  } const cases[] = {
      {"Work", "Acme"},        // a descendant two levels down
      {"Work", "Clients"},     // its own subfolder
      {"General", "Archive"},  // a root-level folder is not dragged
      {"Family", "Archive"},   // a root-level folder takes no drop
  };
  const std::string shape = ViewShape();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dragged) + " onto " + c.onto);
    form->Tree->SetSelected(Node(c.dragged));
    POINT p = CentreOf(Node(c.onto));
    bool accept = true;
    form->TreeDragOver(form->Tree, p.x, p.y, accept);
    EXPECT_FALSE(accept);
    Drag(Node(c.dragged), p);
    EXPECT_EQ(ViewShape(), shape);
    EXPECT_EQ(form->Tree->Selected(), Node(c.dragged));
  }
  EXPECT_EQ(Shape(Stored()), shape);
}

TEST_F(FolderTree, FoldersAreAddedAfterOrInsertedBeforeTheSelectedOneAndNamedInTheirLabel) {
  struct Case {
    const char* selected;
    TAction* TfmQdx::*action;
    const char* name;
    const char* shape;
  } const cases[] = {
      {"Work", &TfmQdx::acAddNode, "Friends", "General #Family #Work ##Clients ###Acme #Friends Archive"},
      {"Family", &TfmQdx::acInsertNode, "Clubs", "General #Clubs #Family #Work ##Clients ###Acme #Friends Archive"},
      {"Archive", &TfmQdx::acAddNode, "Inbox", "General #Clubs #Family #Work ##Clients ###Acme #Friends Archive Inbox"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->Tree->SetSelected(Node(c.selected));
    ASSERT_TRUE((form->*c.action)->Execute());
    // The user types the name into the label and presses Enter.
    ASSERT_TRUE(form->Tree->IsEditing());
    HWND edit = reinterpret_cast<HWND>(form->Tree->Perform(TVM_GETEDITCONTROL));
    SetWindowTextA(edit, c.name);
    form->Tree->Perform(TVM_ENDEDITLABELNOW, FALSE);
    PumpMs(100);
    EXPECT_FALSE(form->Tree->IsEditing());
    EXPECT_TRUE(form->Tree->ReadOnly());
    EXPECT_EQ(ViewShape(), c.shape);
    TTreeNode* made = form->Tree->Selected();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Text(), c.name);
    EXPECT_EQ(form->Log.FolderIdByName(c.name), made->Data) << "the folder's record holds its name";
  }
  // Nothing is inserted before a root-level folder.
  form->Tree->SetSelected(Node("Archive"));
  EXPECT_FALSE(form->acInsertNode->Execute());
  EXPECT_EQ(form->FoldersTbl.RecordCount(), 9);
  TFolderTree stored = Stored();
  EXPECT_EQ(Shape(stored), cases[2].shape);
  for (const TFolderNode& n : stored) EXPECT_EQ(form->Log.FolderIdByName(n.Text), n.FolderId) << n.Text;
}

TEST_F(FolderTree, FoldersExpandAndCollapseWithTheirImagesAndThePopUpMenuActsOnTheFolderClicked) {
  const std::pair<int, int> open = {OpenFolderImage, OpenFolderImage}, closed = {ClosedFolderImage, OpenFolderImage};
  // A folder with subfolders: one of the two commands, after its state.
  form->Tree->SetSelected(Node("Work"));
  EXPECT_FALSE(form->acExpandNode->Enabled());
  EXPECT_TRUE(form->acColapseNode->Enabled());
  EXPECT_EQ(Images(Node("Work")), open);
  EXPECT_TRUE(form->acColapseNode->Execute());
  EXPECT_FALSE(Node("Work")->Expanded());
  EXPECT_EQ(Images(Node("Work")), closed);
  EXPECT_TRUE(form->acExpandNode->Enabled());
  EXPECT_FALSE(form->acColapseNode->Enabled());
  EXPECT_TRUE(form->acExpandNode->Execute());
  EXPECT_TRUE(Node("Work")->Expanded());
  EXPECT_EQ(Images(Node("Work")), open);
  // A folder without subfolders: neither.
  form->Tree->SetSelected(Node("Family"));
  EXPECT_FALSE(form->acExpandNode->Enabled());
  EXPECT_FALSE(form->acColapseNode->Enabled());
  EXPECT_EQ(Images(Node("Family")), closed);
  // Another folder's button: its image follows; the commands still follow the selected folder.
  ClickButton(Node("Work"));
  EXPECT_FALSE(Node("Work")->Expanded());
  EXPECT_EQ(Images(Node("Work")), closed);
  EXPECT_FALSE(form->acExpandNode->Enabled());
  ClickButton(Node("Work"));
  EXPECT_TRUE(Node("Work")->Expanded());
  EXPECT_EQ(Images(Node("Work")), open);

  // Collapse all, expand all: every folder's image follows; a folder without subfolders stays
  // closed. A selected folder that gets hidden gives the selection, and the call list, to its
  // root folder.
  form->Tree->SetSelected(Node("Acme"));
  EXPECT_EQ(form->Log.CurrentFolderId(), "A");
  EXPECT_TRUE(form->acColapseAll->Execute());
  for (TTreeNode* n : form->Tree->Nodes()) EXPECT_EQ(Images(n), closed) << n->Text();
  EXPECT_EQ(form->Tree->Selected(), Node("General"));
  EXPECT_EQ(form->Log.CurrentFolderId(), "G");
  EXPECT_FALSE(form->acDeleteNode->Enabled());
  EXPECT_TRUE(form->acExpandAll->Execute());
  for (TTreeNode* n : form->Tree->Nodes()) EXPECT_EQ(Images(n), n->HasChildren() ? open : closed) << n->Text();
  std::string expanded;
  for (const TFolderNode& n : Stored()) expanded += n.Expanded ? "1" : "0";
  EXPECT_EQ(expanded, "101100");
  // The folder pictures are drawn.
  int w = 0, h = 0;
  PumpMs(300);
  std::vector<COLORREF> pixels = SaveWindowPicture(form->Tree->Handle(), PicturePath("folder-tree.bmp"), w, h);
  int folderColoured = 0;
  for (COLORREF c : pixels)
    folderColoured += std::abs(GetRValue(c) - 236) < 24 && std::abs(GetGValue(c) - 190) < 24 && std::abs(GetBValue(c) - 70) < 24;
  EXPECT_GT(folderColoured, 30);

  // A right click selects the folder under it; the pop-up's "Collapse node" collapses that one.
  form->Tree->SetSelected(Node("Family"));
  TMenuUser user("Collapse node");
  POINT p = CentreOf(Node("Clients"));
  Post(WM_RBUTTONDOWN, p, MK_RBUTTON);
  Post(WM_RBUTTONUP, p);
  PumpFor([&] { return user.Seen(); }, 6000);
  ASSERT_TRUE(user.Finish());
  PumpMs(200);
  EXPECT_EQ(user.Items, (std::vector<std::string>{"Add node", "Add child node", "Insert node", "Delete node...", "Rename node",
                                             "Expand node", "Collapse node", "Expand all", "Collapse all"}));
  EXPECT_EQ(form->Tree->Selected(), Node("Clients"));
  EXPECT_FALSE(Node("Clients")->Expanded());
}

namespace {

// Works the folder picker from another thread once it is shown: notes what its tree holds,
// clicks a folder, then ends the dialog.
class TPickerUser {
public:
  enum THow { OkButton, EnterKey, CancelButton, EscapeKey, CloseBox };

  TPickerUser(const std::string& folder, THow how, DWORD waitMs = 0) : thread_(GetCurrentThreadId()) {
    worker_ = std::thread([this, folder, how, waitMs] {
      for (int i = 0; i < 500 && !done_; ++i, Sleep(20)) {
        HWND dialog = FindWindowA("TMoveToForm", "Move");
        if (!dialog || !IsWindowVisible(dialog) || GetWindowThreadProcessId(dialog, nullptr) != thread_) continue;
        Sleep(100 + waitMs);
        Use(dialog, folder, how);
        done_ = true;
      }
    });
  }
  ~TPickerUser() { Finish(); }
  // Waits for the worker: what it noted is then safe to read.
  void Finish() {
    done_ = true;
    if (worker_.joinable()) worker_.join();
  }
  // What the dialog showed: its folders ("#" per level), whether all were open, its images.
  std::string Shown;
  bool AllExpanded = true;
  HIMAGELIST Images = nullptr;

private:
  void Use(HWND dialog, const std::string& folder, THow how) {
    HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
    Images = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    HTREEITEM target = nullptr;
    for (auto item = HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, LPARAM(item)))) {
      char text[64] = {};
      TVITEMA it = {};
      it.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN;
      it.hItem = item;
      it.pszText = text;
      it.cchTextMax = sizeof text;
      it.stateMask = TVIS_EXPANDED;
      SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&it));
      int level = 0;
      for (auto p = HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, LPARAM(item))); p;
           p = HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, LPARAM(p))))
        ++level;
      Shown += (Shown.empty() ? "" : " ") + std::string(size_t(level), '#') + text;
      if (it.cChildren && !(it.state & TVIS_EXPANDED)) AllExpanded = false;
      if (folder == text) target = item;
    }
    if (target) {
      RECT r = {};
      memcpy(&r, &target, sizeof target);
      SendMessageA(tree, TVM_GETITEMRECT, TRUE, LPARAM(&r));
      LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageA(tree, WM_LBUTTONUP, 0, at);
      Sleep(300);
    }
    int w = 0, h = 0;
    SaveWindowPicture(dialog, PicturePath("move-to.bmp"), w, h);
    switch (how) {
      case OkButton: PostMessageA(FindWindowExA(dialog, nullptr, "Button", "OK"), BM_CLICK, 0, 0); break;
      case CancelButton: PostMessageA(FindWindowExA(dialog, nullptr, "Button", "Cancel"), BM_CLICK, 0, 0); break;
      case EnterKey: PostMessageA(tree, WM_KEYDOWN, VK_RETURN, 0); break;
      case EscapeKey: PostMessageA(tree, WM_KEYDOWN, VK_ESCAPE, 0); break;
      case CloseBox: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
  }

  DWORD thread_;
  std::atomic<bool> done_{false};
  std::thread worker_;
};

// The folder tree with the folder picker of the program, and calls filed in General.
class MoveTo : public FolderTree {
protected:
  void SetUp() override {
    FolderTree::SetUp();
    fmQdx = form;
    MoveToForm = NewForm<TMoveToForm>(nullptr);
  }
  void TearDown() override {
    MoveToForm->Free();
    MoveToForm = nullptr;
    fmQdx = nullptr;
    FolderTree::TearDown();
  }
  void File(const char* id, int hour) {
    std::string error;
    ASSERT_TRUE(form->Log.AppendCall({id, DateToStr(Date()), TimeToStr(EncodeTime(hour, 0, 0, 0)), "00:05", id, "G", 1}, error));
  }
  // "id=folder" of every call of the log, by id.
  static std::string CallFolders(TCallLog& log) {
    std::map<std::string, std::string> byId;
    for (const auto& r : log.AllCalls()) byId[r.Id] = r.FolderId;
    std::string out;
    for (const auto& [id, folder] : byId) out += (out.empty() ? "" : " ") + id + "=" + folder;
    return out;
  }
};

}  // namespace

TEST_F(MoveTo, TheCurrentAndTheMarkedCallsGoToTheFolderPickedInTheDialog) {
  EXPECT_FALSE(form->acMoveTo->Enabled()) << "an empty folder has nothing to move";
  for (const char* id : {"c1", "c2", "c3"}) File(id, 10);
  form->ShowCalls();
  EXPECT_TRUE(form->acMoveTo->Enabled());
  struct Case {
    const char* folder;
    TPickerUser::THow how;
    std::vector<std::string> marked;
    const char* after;
  } const cases[] = {
      {"Clients", TPickerUser::CancelButton, {"c2"}, "c1=G c2=G c3=G"},
      {"Clients", TPickerUser::EscapeKey, {}, "c1=G c2=G c3=G"},
      {"Clients", TPickerUser::CloseBox, {"c3"}, "c1=G c2=G c3=G"},
      {"Clients", TPickerUser::OkButton, {"c3"}, "c1=C c2=G c3=C"},  // the current row and the marked one
      {"Acme", TPickerUser::EnterKey, {}, "c1=C c2=A c3=C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after);
    form->dbGrid1->SetItemIndex(0);
    form->SelectedIds = c.marked;
    TPickerUser user(c.folder, c.how);
    EXPECT_TRUE(form->acMoveTo->Execute());
    user.Finish();
    EXPECT_EQ(user.Shown, "General #Family #Work ##Clients ###Acme Archive");
    EXPECT_TRUE(user.AllExpanded);
    EXPECT_EQ(user.Images, form->ImageList3->Handle());
    EXPECT_EQ(CallFolders(form->Log), c.after);
    EXPECT_TRUE(form->SelectedIds.empty());
  }
  EXPECT_EQ(form->dbGrid1->RowCount(), 0);
  EXPECT_FALSE(form->acMoveTo->Enabled());
  TCallLog saved;
  saved.OpenDatabase();
  EXPECT_EQ(CallFolders(saved), "c1=C c2=A c3=C");
}

TEST_F(MoveTo, ACallFiledWhileTheDialogIsOpenStaysWhereItWasFiled) {
  File("c1", 10);
  form->ShowCalls();
  // The next call is filed, and becomes the current row, while the user picks a folder.
  TTimer filing(nullptr);
  filing.SetInterval(100);
  filing.OnTimer = [&](TComponent*) {
    filing.SetEnabled(false);
    File("c2", 11);
    form->ShowCalls();
  };
  TPickerUser user("Work", TPickerUser::OkButton, 400);
  EXPECT_TRUE(form->acMoveTo->Execute());
  EXPECT_EQ(CallFolders(form->Log), "c1=W c2=G");
}

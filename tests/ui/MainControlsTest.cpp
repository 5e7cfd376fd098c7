// The controls of the main window on one form, worked through their window messages as a user
// would cause them: tree selection, label edits, drags of list rows and tree nodes onto nodes,
// tool buttons bound to actions, the splitter, the header, the virtual list, the find and save
// dialogs; and a picture of the whole form.
#include <gtest/gtest.h>
#include <cmath>
#include <set>
#include "Action.h"
#include "Application.h"
#include "FindDialog.h"
#include "Font.h"
#include "Form.h"
#include "HeaderControl.h"
#include "ImageList.h"
#include "ListView.h"
#include "PaintBox.h"
#include "Panel.h"
#include "SaveDialog.h"
#include "Splitter.h"
#include "StatusBar.h"
#include "ToolBar.h"
#include "TreeView.h"
#include "FormFixture.h"
#include "UiTest.h"

namespace {
// A window layout like the main window's: tool bar, status bar, folder tree left, splitter,
// header and call list right, the trace below.
class TMainLikeForm : public TForm {
public:
  explicit TMainLikeForm(TComponent* owner) : TForm(owner, "TMainLikeForm") {
    SetCaption("Controls");
    SetBounds(60, 40, 640, 480);
    images = new TImageList(this);
    for (LPCSTR id : {IDI_APPLICATION, IDI_INFORMATION, IDI_WARNING, IDI_ERROR, IDI_QUESTION})
      images->AddIcon(LoadIconA(nullptr, id));

    auto* actions = new TActionList(this);
    acPlay = new TAction(actions);
    acPlay->SetCaption("Play");
    acPlay->OnExecute = [this](TComponent*) { ++plays; };
    acRecord = new TAction(actions);
    acRecord->SetCaption("Record");
    acRecord->OnExecute = [this](TComponent*) { ++records; };

    ToolBar2 = new TToolBar(this);
    ToolBar2->SetParent(this);
    ToolBar2->SetImages(images->Handle());
    ToolBar2->SetShowCaptions(true);
    ToolBar2->SetButtonSize(70, 38);
    ToolBar2->SetHeight(42);
    Playsb1 = new TToolButton(ToolBar2);
    Playsb1->SetAction(acPlay);
    Playsb1->SetImageIndex(0);
    PauseSb1 = new TToolButton(ToolBar2);
    PauseSb1->SetCaption("Pause");
    PauseSb1->SetImageIndex(1);
    new TToolButton(ToolBar2, tbsSeparator);
    PrevSb1 = new TToolButton(ToolBar2);
    PrevSb1->SetCaption("Rewind");
    PrevSb1->SetImageIndex(2);
    PrevSb1->OnClick = [this](TComponent*) { ++rewinds; };
    RecSb1 = new TToolButton(ToolBar2);
    RecSb1->SetAction(acRecord);
    RecSb1->SetImageIndex(3);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetParent(this);
    for (int w : {80, 80, 50}) StatusBar1->AddPanel(w);
    StatusBar1->SetPanelText(0, " Modem on");
    StatusBar1->SetPanelText(1, " COM PORT 3");
    StatusBar1->SetPanelText(2, " Voice Modem");

    Panel4 = new TPanel(this);
    Panel4->SetParent(this);
    Panel4->SetBevelOuter(bvNone);
    Panel4->SetWidth(160);
    Panel4->SetAlign(alLeft);
    Tree = new TTreeView(this);
    Tree->SetParent(Panel4);
    Tree->SetAlign(alClient);
    Tree->SetImages(images->Handle());
    Tree->DragMode = dmAutomatic;

    Splitter1 = new TSplitter(this);
    Splitter1->SetParent(this);
    Splitter1->SetWidth(4);

    Panel2 = new TPanel(this);
    Panel2->SetParent(this);
    Panel2->SetBevelOuter(bvNone);
    Panel2->SetAlign(alClient);
    hdRecordings = new THeaderControl(this);
    hdRecordings->SetParent(Panel2);
    for (auto s : {std::make_pair("Date", 80), {"Time", 80}, {"Duration", 75}, {"Memo", 1000}})
      hdRecordings->AddSection(s.first, s.second);
    pBox = new TPaintBox(this);
    pBox->SetParent(Panel2);
    pBox->SetHeight(70);
    pBox->SetAlign(alBottom);
    pBox->OnPaint = [this](TComponent*, HDC dc) { DrawTrace(dc); };
    Calls = new TListView(this);
    Calls->SetParent(Panel2);
    Calls->SetAlign(alClient);
    Calls->SetShowColumnHeaders(false);
    Calls->DragMode = dmAutomatic;
    Calls->DragThreshold = 20;
    for (auto c : {std::make_pair("Date", 80), {"Time", 80}, {"Duration", 75}, {"Memo", 200}})
      Calls->AddColumn(c.first, c.second);
    Calls->OnGetCell = [this](int row, int column) {
      asked.insert(row);
      static const char* const dates[] = {"07.03.2024", "08.03.2024", "11.03.2024"};
      switch (column) {
        case 0: return std::string(dates[row % 3]);
        case 1: return "09:" + std::to_string(10 + row % 50) + ":02";
        case 2: return "0" + std::to_string(row % 10) + ":07";
        default: return "Call " + std::to_string(row);
      }
    };
    Calls->SetRowCount(40);

    General = Tree->AddChild(nullptr, "General");
    General->Data = "G1";
    Family = Tree->AddChild(General, "Family");
    Family->Data = "F1";
    Work = Tree->AddChild(General, "Work");
    Work->Data = "W1";
    Clients = Tree->AddChild(Work, "Clients");
    Clients->Data = "C1";
    for (TTreeNode* n : Tree->Nodes()) {
      n->SetImageIndex(1);
      n->SetSelectedIndex(0);
    }
    Tree->FullExpand();
  }

  void DrawTrace(HDC dc) {
    ++paints;
    RECT r = {0, 0, pBox->Width(), pBox->Height()};
    HBRUSH back = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &r, back);
    DeleteObject(back);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    int h = r.bottom;
    for (int x = 0; x < r.right; ++x) {
      int y = h / 2 - static_cast<int>(std::sin(x / 9.0) * (h / 3) * std::sin(x / 97.0));
      x == 0 ? (void)MoveToEx(dc, x, y, nullptr) : (void)LineTo(dc, x, y);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
  }

  TImageList* images;
  TAction *acPlay, *acRecord;
  TToolBar* ToolBar2;
  TToolButton *Playsb1, *PauseSb1, *PrevSb1, *RecSb1;
  TStatusBar* StatusBar1;
  TPanel *Panel4, *Panel2;
  TTreeView* Tree;
  TSplitter* Splitter1;
  THeaderControl* hdRecordings;
  TPaintBox* pBox;
  TListView* Calls;
  TTreeNode *General, *Family, *Work, *Clients;
  std::set<int> asked;
  int plays = 0, records = 0, rewinds = 0, paints = 0;
};

class MainControlsTest : public TFormFixture<TMainLikeForm> {};

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Post(TControl* c, UINT msg, POINT p, WPARAM keys = 0) {
  PostMessageA(c->Handle(), msg, keys, MAKELPARAM(p.x, p.y));
}

// A point of one control in the client coordinates of another.
POINT Map(TControl* from, TControl* to, POINT p) {
  MapWindowPoints(from->Handle(), to->Handle(), &p, 1);
  return p;
}

// Clicks: button down and up, then the queue is worked off (the controls' own mouse loops
// take the posted messages).
void Click(TControl* c, POINT p) {
  Post(c, WM_LBUTTONDOWN, p, MK_LBUTTON);
  Post(c, WM_LBUTTONUP, p);
  PumpMs(150);
}

RECT RowRect(TListView* list, int row) {
  RECT r = {};
  r.left = LVIR_BOUNDS;
  list->Perform(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  return r;
}

std::string ItemText(TTreeView* tree, TTreeNode* node) {
  char buf[128] = {};
  TVITEMA it = {};
  it.mask = TVIF_TEXT | TVIF_HANDLE;
  it.hItem = node->ItemId();
  it.pszText = buf;
  it.cchTextMax = sizeof buf;
  tree->Perform(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return buf;
}

}

TEST_F(MainControlsTest, PictureOfTheWholeForm) {
  form->Tree->SetSelected(form->Work);
  form->Calls->SetItemIndex(1);
  form->RecSb1->SetDown(true);
  PumpMs(300);
  int w = 0, h = 0;
  auto pixels = SaveWindowPicture(form->Handle(), "ui_mainctl.bmp", w, h);
  ASSERT_FALSE(pixels.empty());
  // The trace: black with green in the paint box.
  RECT r;
  GetWindowRect(form->pBox->Handle(), &r);
  RECT f;
  GetWindowRect(form->Handle(), &f);
  std::set<COLORREF> trace;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) trace.insert(pixels[(y - f.top) * w + (x - f.left)]);
  EXPECT_TRUE(trace.count(RGB(0, 0, 0)));
  EXPECT_TRUE(trace.count(RGB(0, 255, 0)));
  EXPECT_GT(form->paints, 0);
}

TEST_F(MainControlsTest, ClickOnANodeSelectsItAndReportsTheChange) {
  std::vector<TTreeNode*> changes;
  form->Tree->OnChange = [&](TComponent*, TTreeNode* n) { changes.push_back(n); };
  int downs = 0;
  form->Tree->OnMouseDown = [&](TComponent*, TMouseButton b, TShiftState, int, int) { downs += b == mbLeft; };
  Click(form->Tree, Centre(form->Clients->DisplayRect(true)));
  ASSERT_EQ(form->Tree->Selected(), form->Clients);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), form->Clients);
  EXPECT_EQ(downs, 1);
  POINT p = Centre(form->Family->DisplayRect(false));
  EXPECT_EQ(form->Tree->GetNodeAt(p.x, p.y), form->Family);
  EXPECT_EQ(form->Tree->GetNodeAt(5, form->Tree->ClientHeight() - 3), nullptr);
  form->Tree->SetSelected(form->General);
  EXPECT_EQ(changes.back(), form->General);
  EXPECT_EQ(form->General->Level(), 0);
  EXPECT_EQ(form->Clients->Level(), 2);
  EXPECT_EQ(form->Clients->AbsoluteIndex(), 3);
}

TEST_F(MainControlsTest, LabelEditEndsWithEnterAndIsCancelledWithEscape) {
  std::vector<std::string> edited;
  form->Tree->OnEdited = [&](TComponent*, TTreeNode* n, std::string& text) {
    edited.push_back(n->Data + ":" + text);
    text += "!";
  };
  EXPECT_FALSE(form->Family->EditText()) << "read-only labels";
  form->Tree->SetReadOnly(false);
  ASSERT_TRUE(form->Family->EditText());
  HWND edit = reinterpret_cast<HWND>(form->Tree->Perform(TVM_GETEDITCONTROL));
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "Friends");
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  PumpFor([&] { return !edited.empty(); }, 3000);
  ASSERT_EQ(edited, std::vector<std::string>{"F1:Friends"});
  PumpMs(100);
  EXPECT_FALSE(form->Tree->IsEditing());
  EXPECT_EQ(form->Family->Text(), "Friends!");
  EXPECT_EQ(ItemText(form->Tree, form->Family), "Friends!");

  ASSERT_TRUE(form->Work->EditText());
  edit = reinterpret_cast<HWND>(form->Tree->Perform(TVM_GETEDITCONTROL));
  SetWindowTextA(edit, "Play");
  PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  PumpFor([&] { return !form->Tree->IsEditing(); }, 3000);
  EXPECT_EQ(edited.size(), 1u);
  EXPECT_EQ(ItemText(form->Tree, form->Work), "Work");
}

TEST_F(MainControlsTest, AddingDeletingMovingAndExpandingNodes) {
  TTreeView* tree = form->Tree;
  std::vector<std::string> added, deleted, expanded, collapsed;
  tree->OnAddition = [&](TComponent*, TTreeNode* n) { added.push_back(n->Text()); };
  tree->OnDeletion = [&](TComponent*, TTreeNode* n) { deleted.push_back(n->Text()); };
  tree->OnExpanded = [&](TComponent*, TTreeNode* n) { expanded.push_back(n->Text()); };
  tree->OnCollapsed = [&](TComponent*, TTreeNode* n) { collapsed.push_back(n->Text()); };
  TTreeNode* before = tree->Insert(form->Work, "Before");
  TTreeNode* last = tree->Add(form->Family, "Last");
  tree->AddChildFirst(form->Clients, "First");
  EXPECT_EQ(added, (std::vector<std::string>{"Before", "Last", "First"}));
  EXPECT_EQ(tree->SaveToLines(), (std::vector<std::string>{"General", "\tFamily", "\tBefore",
                                                           "\tWork", "\t\tClients", "\t\t\tFirst",
                                                           "\tLast"}));
  // Keyboard: the user collapses and expands the selected node.
  tree->SetSelected(form->Work);
  tree->SetFocus();
  PostMessageA(tree->Handle(), WM_KEYDOWN, VK_LEFT, 1);
  PumpMs(100);
  EXPECT_EQ(collapsed, std::vector<std::string>{"Work"});
  PostMessageA(tree->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
  PumpMs(100);
  EXPECT_EQ(expanded, std::vector<std::string>{"Work"});
  form->Clients->Expand(false);  // the program's change is reported once; a no-op not at all
  form->Clients->Expand(false);
  EXPECT_EQ(expanded, (std::vector<std::string>{"Work", "Clients"}));

  // A move keeps data, children and expanded states, and fires no deletion.
  form->Work->MoveTo(form->Family, naInsert);
  EXPECT_TRUE(deleted.empty());
  EXPECT_EQ(tree->SaveToLines()[1], "\tWork");
  EXPECT_EQ(form->Work->Data, "W1");
  EXPECT_TRUE(form->Work->Expanded());
  EXPECT_TRUE(form->Clients->Expanded());
  EXPECT_EQ(tree->Selected(), form->Work);
  form->Work->MoveTo(form->Clients, naAddChildFirst);  // into its own subtree: refused
  EXPECT_EQ(form->Work->Parent(), form->General);
  last->MoveTo(form->Clients, naAddChildFirst);
  EXPECT_EQ(form->Clients->Item(0), last);
  EXPECT_EQ(ItemText(tree, last), "Last");

  // Deleting the selected subtree: each node reported, children first; the new selection too.
  std::vector<TTreeNode*> changes;
  tree->OnChange = [&](TComponent*, TTreeNode* n) { changes.push_back(n); };
  tree->Delete(form->Work);
  EXPECT_EQ(deleted, (std::vector<std::string>{"Last", "First", "Clients", "Work"}));
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], tree->Selected());
  EXPECT_NE(changes[0], nullptr);
  EXPECT_EQ(tree->Count(), 3);
  (void)before;

  // Lines with tabs for depth: a jump of two levels becomes one.
  deleted.clear();
  tree->LoadFromLines({"General", "\tA", "\t\tB", "\t\t\t\tC", "Other", ""});
  EXPECT_EQ(deleted.size(), 3u);
  EXPECT_EQ(tree->SaveToLines(), (std::vector<std::string>{"General", "\tA", "\t\tB", "\t\t\tC",
                                                           "Other", ""}));
  EXPECT_EQ(tree->RootCount(), 3);
  tree->FullExpand();
  EXPECT_TRUE(tree->Item(2)->Expanded());
  EXPECT_FALSE(tree->Item(3)->Expanded()) << "a node without children stays collapsed";
  tree->FullCollapse();
  EXPECT_FALSE(tree->Item(0)->Expanded());
  tree->Clear();
  EXPECT_EQ(tree->Count(), 0);
  EXPECT_EQ(tree->Selected(), nullptr);
}

TEST_F(MainControlsTest, DraggingAListRowOntoANode) {
  TControl* source = nullptr;
  TTreeNode* dropped = nullptr;
  int overs = 0, ends = 0;
  bool endResult = false;
  form->Tree->OnDragOver = [&](TComponent*, TControl* s, int x, int y, bool& accept) {
    ++overs;
    accept = s == form->Calls && form->Tree->GetNodeAt(x, y) != nullptr;
  };
  form->Tree->OnDragDrop = [&](TComponent*, TControl* s, int x, int y) {
    source = s;
    dropped = form->Tree->GetNodeAt(x, y);
  };
  form->Calls->OnEndDrag = [&](TComponent*, bool d) { ++ends, endResult = d; };
  RECT row = RowRect(form->Calls, 2);
  POINT press = {30, Centre(row).y};
  POINT target = Map(form->Tree, form->Calls, Centre(form->Clients->DisplayRect(true)));

  // Less than the threshold: a click, not a drag.
  Post(form->Calls, WM_LBUTTONDOWN, press, MK_LBUTTON);
  Post(form->Calls, WM_MOUSEMOVE, {press.x, press.y + 8}, MK_LBUTTON);
  Post(form->Calls, WM_MOUSEMOVE, {press.x, press.y + 12}, MK_LBUTTON);
  Post(form->Calls, WM_LBUTTONUP, {press.x, press.y + 12});
  PumpMs(300);
  EXPECT_EQ(form->Calls->ItemIndex(), 2);
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(endResult);
  EXPECT_EQ(overs, 0);
  EXPECT_EQ(dropped, nullptr);

  Post(form->Calls, WM_LBUTTONDOWN, press, MK_LBUTTON);
  Post(form->Calls, WM_MOUSEMOVE, {press.x, press.y + 8}, MK_LBUTTON);
  Post(form->Calls, WM_MOUSEMOVE, target, MK_LBUTTON);
  Post(form->Calls, WM_LBUTTONUP, target);
  PumpFor([&] { return ends == 2; }, 3000);
  EXPECT_GT(overs, 0);
  EXPECT_EQ(source, form->Calls);
  EXPECT_EQ(dropped, form->Clients);
  EXPECT_TRUE(endResult);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(form->Tree->Perform(TVM_GETNEXTITEM, TVGN_DROPHILITE), 0) << "no highlight left";

  // A drop where the target refuses: nothing dropped.
  dropped = nullptr;
  POINT empty = Map(form->Tree, form->Calls, {10, form->Tree->ClientHeight() - 4});
  Post(form->Calls, WM_LBUTTONDOWN, press, MK_LBUTTON);
  Post(form->Calls, WM_MOUSEMOVE, {press.x, press.y + 8}, MK_LBUTTON);
  Post(form->Calls, WM_MOUSEMOVE, empty, MK_LBUTTON);
  Post(form->Calls, WM_LBUTTONUP, empty);
  PumpFor([&] { return ends == 3; }, 3000);
  EXPECT_FALSE(endResult);
  EXPECT_EQ(dropped, nullptr);
}

TEST_F(MainControlsTest, DraggingANodeSelectsItAndDropsItOnAnother) {
  TTreeNode* dragged = nullptr;
  TTreeNode* onto = nullptr;
  form->Tree->OnDragOver = [&](TComponent*, TControl* s, int x, int y, bool& accept) {
    TTreeNode* n = form->Tree->GetNodeAt(x, y);
    accept = s == form->Tree && n && n != form->Tree->Selected();
  };
  form->Tree->OnDragDrop = [&](TComponent*, TControl*, int x, int y) {
    dragged = form->Tree->Selected();
    onto = form->Tree->GetNodeAt(x, y);
    dragged->MoveTo(onto, naAddChildFirst);
  };
  POINT from = Centre(form->Clients->DisplayRect(true));
  POINT to = Centre(form->Family->DisplayRect(true));
  Post(form->Tree, WM_LBUTTONDOWN, from, MK_LBUTTON);
  Post(form->Tree, WM_MOUSEMOVE, {from.x + 15, from.y}, MK_LBUTTON);
  Post(form->Tree, WM_MOUSEMOVE, to, MK_LBUTTON);
  Post(form->Tree, WM_LBUTTONUP, to);
  PumpFor([&] { return onto != nullptr; }, 3000);
  EXPECT_EQ(dragged, form->Clients);
  EXPECT_EQ(onto, form->Family);
  EXPECT_EQ(form->Clients->Parent(), form->Family);
  EXPECT_EQ(form->Tree->Selected(), form->Clients);

  // Esc ends a drag without a drop.
  onto = nullptr;
  from = Centre(form->Work->DisplayRect(true));
  Post(form->Tree, WM_LBUTTONDOWN, from, MK_LBUTTON);
  Post(form->Tree, WM_MOUSEMOVE, {from.x + 15, from.y}, MK_LBUTTON);
  Post(form->Tree, WM_MOUSEMOVE, Centre(form->General->DisplayRect(true)), MK_LBUTTON);
  PostMessageA(form->Tree->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  Post(form->Tree, WM_LBUTTONUP, Centre(form->General->DisplayRect(true)));
  PumpMs(300);
  EXPECT_EQ(onto, nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MainControlsTest, ToolButtonsRunTheirActionsOnlyWhenEnabled) {
  std::vector<std::string> held;
  form->PrevSb1->OnMouseDown = [&](TComponent*, TMouseButton, TShiftState, int x, int y) {
    held.push_back("down " + std::to_string(x > 0 && y > 0));
  };
  form->PrevSb1->OnMouseUp = [&](TComponent*, TMouseButton, TShiftState, int, int) { held.push_back("up"); };
  POINT play = Centre(form->Playsb1->BoundsRect());
  Click(form->ToolBar2, play);
  EXPECT_EQ(form->plays, 1);
  Click(form->ToolBar2, Centre(form->PrevSb1->BoundsRect()));
  EXPECT_EQ(form->rewinds, 1) << "OnClick without an action";
  EXPECT_EQ(held, (std::vector<std::string>{"down 1", "up"}));

  form->acPlay->SetEnabled(false);
  EXPECT_FALSE(form->Playsb1->Enabled());
  EXPECT_FALSE(form->ToolBar2->Perform(TB_ISBUTTONENABLED, form->Playsb1->Command()));
  Click(form->ToolBar2, play);
  form->Playsb1->Click();
  EXPECT_EQ(form->plays, 1) << "a disabled action's button does nothing";
  form->acPlay->SetEnabled(true);
  EXPECT_TRUE(form->ToolBar2->Perform(TB_ISBUTTONENABLED, form->Playsb1->Command()));

  // Down is the program's: a click leaves it as it is; the action's checked state sets it.
  form->RecSb1->SetDown(true);
  Click(form->ToolBar2, Centre(form->RecSb1->BoundsRect()));
  EXPECT_EQ(form->records, 1);
  EXPECT_TRUE(form->RecSb1->Down());
  EXPECT_TRUE(form->ToolBar2->Perform(TB_GETSTATE, form->RecSb1->Command()) & TBSTATE_CHECKED);
  form->RecSb1->SetDown(false);
  EXPECT_FALSE(form->ToolBar2->Perform(TB_GETSTATE, form->RecSb1->Command()) & TBSTATE_CHECKED);
  form->acPlay->SetChecked(true);
  EXPECT_TRUE(form->Playsb1->Down());
  // The button disabled on its own (the action stays enabled).
  form->RecSb1->SetEnabled(false);
  Click(form->ToolBar2, Centre(form->RecSb1->BoundsRect()));
  EXPECT_EQ(form->records, 1);
  form->acRecord->SetCaption("Rec");
  EXPECT_EQ(form->RecSb1->Caption(), "Rec");
}

TEST_F(MainControlsTest, StatusBarPanelsAndHeaderSections) {
  EXPECT_EQ(form->StatusBar1->PanelText(1), " COM PORT 3");
  form->StatusBar1->SetPanelText(0, " 00:00:05");
  EXPECT_EQ(form->StatusBar1->PanelText(0), " 00:00:05");
  int edges[3] = {};
  ASSERT_EQ(form->StatusBar1->Perform(SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 80);
  EXPECT_EQ(edges[1], 160);
  EXPECT_EQ(form->StatusBar1->Top() + form->StatusBar1->Height(), form->ClientHeight());

  std::vector<int> resized;
  form->hdRecordings->OnSectionResize = [&](TComponent*, int s) { resized.push_back(s); };
  form->hdRecordings->SetSectionWidth(2, 90);
  EXPECT_TRUE(resized.empty());
  EXPECT_EQ(form->hdRecordings->SectionWidth(2), 90);
  // The user drags the right edge of "Time" 25 pixels to the right.
  int edge = form->hdRecordings->SectionLeft(2) - 1;
  Post(form->hdRecordings, WM_LBUTTONDOWN, {edge, 6}, MK_LBUTTON);
  Post(form->hdRecordings, WM_MOUSEMOVE, {edge + 25, 6}, MK_LBUTTON);
  Post(form->hdRecordings, WM_LBUTTONUP, {edge + 25, 6});
  PumpFor([&] { return !resized.empty(); }, 3000);
  ASSERT_FALSE(resized.empty());
  EXPECT_EQ(resized.back(), 1);
  EXPECT_EQ(form->hdRecordings->SectionWidth(1), 105);
  EXPECT_EQ(form->hdRecordings->SectionText(3), "Memo");
}

TEST_F(MainControlsTest, SplitterSizesTheTreePanel) {
  EXPECT_EQ(form->Splitter1->SizedControl(), form->Panel4);
  EXPECT_EQ(form->Splitter1->Left(), 160);
  int moved = 0;
  form->Splitter1->OnMoved = [&](TComponent*) { ++moved; };
  Post(form->Splitter1, WM_LBUTTONDOWN, {1, 50}, MK_LBUTTON);
  Post(form->Splitter1, WM_MOUSEMOVE, {41, 50}, MK_LBUTTON);
  Post(form->Splitter1, WM_LBUTTONUP, {1, 50});  // the splitter has moved 40 to the right
  PumpMs(200);
  EXPECT_EQ(form->Panel4->Width(), 200);
  EXPECT_EQ(form->Splitter1->Left(), 200);
  EXPECT_EQ(form->Panel2->Left(), 204);
  EXPECT_EQ(form->Tree->Width(), 200);
  EXPECT_EQ(moved, 1);
  // Never narrower than MinSize, on either side.
  Post(form->Splitter1, WM_LBUTTONDOWN, {1, 50}, MK_LBUTTON);
  Post(form->Splitter1, WM_LBUTTONUP, {-500, 50});
  PumpMs(200);
  EXPECT_EQ(form->Panel4->Width(), form->Splitter1->MinSize);
  Post(form->Splitter1, WM_LBUTTONDOWN, {1, 50}, MK_LBUTTON);
  Post(form->Splitter1, WM_LBUTTONUP, {2000, 50});
  PumpMs(200);
  EXPECT_EQ(form->Panel2->Width(), form->Splitter1->MinSize);
  EXPECT_EQ(moved, 3);
}

TEST_F(MainControlsTest, VirtualListAsksRowsByIndexAndKeepsOneSelection) {
  TListView* list = form->Calls;
  PumpMs(100);
  ASSERT_FALSE(form->asked.empty());
  EXPECT_EQ(*form->asked.begin(), 0);
  EXPECT_LT(*form->asked.rbegin(), 39) << "only the rows shown are asked";
  char buf[64] = {};
  LVITEMA item = {};
  item.iSubItem = 3;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  list->Perform(LVM_GETITEMTEXTA, 37, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(buf, "Call 37");

  int changes = 0;
  list->OnSelectionChange = [&](TComponent*) { ++changes; };
  RECT row = RowRect(list, 3);
  Click(list, Centre(row));
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list->RowAt(Centre(row).x, Centre(row).y), 3);
  list->SetItemIndex(30);
  EXPECT_EQ(list->ItemIndex(), 30);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(list->Perform(LVM_GETSELECTEDCOUNT), 1);
  EXPECT_GT(list->TopRow(), 0) << "scrolled into view";
  list->SetItemIndex(30);
  EXPECT_EQ(changes, 2);
  // Shift+click does not make a second selection.
  row = RowRect(list, list->TopRow());
  Post(list, WM_LBUTTONDOWN, Centre(row), MK_LBUTTON | MK_SHIFT);
  Post(list, WM_LBUTTONUP, Centre(row), MK_SHIFT);
  PumpMs(150);
  EXPECT_EQ(list->Perform(LVM_GETSELECTEDCOUNT), 1);
  int before = changes;
  list->SetRowCount(5);
  EXPECT_LT(list->ItemIndex(), 5);
  list->SetItemIndex(4);
  list->SetRowCount(2);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_GT(changes, before);

  // Widths and font of the settings.
  list->SetColumnWidth(3, 333);
  EXPECT_EQ(list->Perform(LVM_GETCOLUMNWIDTH, 3), 333);
  EXPECT_EQ(list->ColumnWidth(3), 333);
  TFont font("Arial", 11, clBlue, fsBold);
  list->SetFont(font);
  EXPECT_EQ(reinterpret_cast<HFONT>(list->Perform(WM_GETFONT)), list->GetFont()->Handle());
  EXPECT_EQ(static_cast<COLORREF>(list->Perform(LVM_GETTEXTCOLOR)), RGB(0, 0, 255));
  int dbl = 0;
  list->OnDblClick = [&](TComponent*) { ++dbl; };
  row = RowRect(list, 1);
  Post(list, WM_LBUTTONDBLCLK, Centre(row), MK_LBUTTON);
  Post(list, WM_LBUTTONUP, Centre(row));
  PumpMs(150);
  EXPECT_EQ(dbl, 1);
}

TEST_F(MainControlsTest, PaintBoxRepaintsThroughItsHandler) {
  int before = form->paints;
  form->pBox->Repaint();
  EXPECT_EQ(form->paints, before + 1);
}

TEST_F(MainControlsTest, FindDialogReportsEachFindNext) {
  TFindDialog dlgFind(form);
  dlgFind.Options = frDown | frDisableUpDown;
  std::vector<std::string> found;
  int shows = 0, closes = 0;
  dlgFind.OnShow = [&](TComponent*) { ++shows; };
  dlgFind.OnClose = [&](TComponent*) { ++closes; };
  dlgFind.OnFind = [&](TComponent*) {
    found.push_back(dlgFind.FindText + ((dlgFind.Options & frMatchCase) ? "/case" : "") +
                    ((dlgFind.Options & frDown) ? "/down" : ""));
  };
  ASSERT_TRUE(dlgFind.Execute());
  HWND dialog = dlgFind.Handle();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(shows, 1);
  PumpMs(200);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 0x420))) << "up/down disabled";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER) != nullptr, true);
  HWND edit = GetDlgItem(dialog, 0x480);
  SetWindowTextA(edit, "call");
  SendMessageA(GetDlgItem(dialog, 0x411), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  PumpMs(100);
  ASSERT_EQ(found, std::vector<std::string>{"call/case/down"});
  // Enter in the text box is the default button (the dialog gets its keys).
  SendMessageA(GetDlgItem(dialog, 0x411), BM_SETCHECK, BST_UNCHECKED, 0);
  SetFocus(edit);
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
  PumpFor([&] { return found.size() == 2; }, 2000);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[1], "call/down");
  SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  PumpMs(100);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(dlgFind.Handle(), nullptr);
  EXPECT_FALSE(IsWindow(dialog));
  // Shown again, it holds the last text.
  ASSERT_TRUE(dlgFind.Execute());
  char text[64] = {};
  GetWindowTextA(GetDlgItem(dlgFind.Handle(), 0x480), text, sizeof text);
  EXPECT_STREQ(text, "call");
  dlgFind.CloseDialog();
  PumpMs(100);
  EXPECT_EQ(closes, 2);
}

TEST_F(MainControlsTest, SaveDialogReturnsTheChosenFileAndKeepsTheCurrentFolder) {
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "vl_savedlg";
  CreateDirectoryA(dir.c_str(), nullptr);

  TSaveDialog SaveDialog1(form);
  SaveDialog1.InitialDir = dir;
  SaveDialog1.DefaultExt = "wav";
  SaveDialog1.Filter = "Wave files|*.wav|All files|*.*";
  SaveDialog1.FileName = "Selected Files";
  {
    TBoxWatcher watcher(IDOK, 500);
    ASSERT_TRUE(SaveDialog1.Execute());
  }
  char full[MAX_PATH] = {};
  GetFullPathNameA((dir + "\\Selected Files.wav").c_str(), MAX_PATH, full, nullptr);
  EXPECT_EQ(_stricmp(SaveDialog1.FileName.c_str(), full), 0) << SaveDialog1.FileName;
  char after[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_STREQ(after, cwd);
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));

  SaveDialog1.FileName = "1_20240307_090502.wav";
  {
    TBoxWatcher watcher(IDCANCEL, 500);
    EXPECT_FALSE(SaveDialog1.Execute());
  }
  EXPECT_EQ(SaveDialog1.FileName, "1_20240307_090502.wav");
  RemoveDirectoryA(dir.c_str());
}

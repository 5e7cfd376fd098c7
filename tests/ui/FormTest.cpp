// One small form with a few controls, menus and actions: what it looks like, clicks, shortcuts,
// form properties, close handling, the input box.
#include <gtest/gtest.h>
#include <fstream>
#include <set>
#include "Application.h"
#include "Bevel.h"
#include "Button.h"
#include "CheckBox.h"
#include "ComboBox.h"
#include "Dialogs.h"
#include "Edit.h"
#include "Exception.h"
#include "Font.h"
#include "Form.h"
#include "GroupBox.h"
#include "Image.h"
#include "Label.h"
#include "ListBox.h"
#include "Memo.h"
#include "Menu.h"
#include "Panel.h"
#include "ProgressBar.h"
#include "Screen.h"
#include "SpinEdit.h"
#include "TrackBar.h"
#include "FormFixture.h"
#include "UiTest.h"

namespace {
template <class T>
T* Make(TForm* form, TControl* parent, int left, int top, int width, int height) {
  T* c = new T(form);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

class TSampleForm : public TForm {
public:
  explicit TSampleForm(TComponent* owner) : TForm(owner, "TSampleForm") {
    SetBorderStyle(bsSingle);
    SetCaption("Sample");
    Position = poScreenCenter;

    auto* actions = new TActionList(this);
    acRecord = new TAction(actions);
    acRecord->SetCaption("Record");
    acRecord->SetShortCut(ShortCut('R', scCtrl));
    acRecord->OnExecute = [this](TComponent*) { ++records; };
    acPlay = new TAction(actions);
    acPlay->SetCaption("Play");
    acPlay->SetShortCut(ShortCut('P', scCtrl));
    acPlay->SetEnabled(false);
    acPlay->OnExecute = [this](TComponent*) { ++plays; };

    auto* menu = new TMainMenu(this);
    auto* file = new TMenuItem(this);
    file->SetCaption(" &File ");
    menu->Items()->Add(file);
    Exit1 = new TMenuItem(this);
    Exit1->SetCaption("E&xit");
    Exit1->SetShortCut(ShortCut('X', scCtrl));
    Exit1->OnClick = [this](TComponent*) { ++exits; };
    Search1 = new TMenuItem(this);
    Search1->SetCaption("Search...");
    Search1->SetShortCut(ShortCut('F', scCtrl));
    Search1->SetEnabled(false);
    Search1->OnClick = [this](TComponent*) { ++searches; };
    auto* separator = new TMenuItem(this);
    separator->SetCaption("-");
    Record1 = new TMenuItem(this);
    Record1->SetAction(acRecord);
    Play1 = new TMenuItem(this);
    Play1->SetAction(acPlay);
    file->Add(Search1);
    file->Add(Record1);
    file->Add(Play1);
    file->Add(separator);
    file->Add(Exit1);
    SetMenu(menu);

    auto* bevel = Make<TBevel>(this, this, 8, 8, 304, 52);
    bevel->SetShape(bsFrame);
    Label1 = Make<TLabel>(this, this, 16, 16, 0, 0);
    Label1->SetCaption("The configured serial port is not valid.");
    auto* label2 = Make<TLabel>(this, this, 16, 36, 0, 0);
    label2->SetCaption("Please choose another port.");
    Ports = new TComboBox(this);
    Ports->Style = csDropDownList;
    Ports->SetParent(this);
    Ports->SetBounds(8, 68, 145, 21);
    for (const char* p : {"COM1", "COM2", "COM12"}) Ports->AddItem(p);
    Ports->SetItemIndex(0);
    Name = Make<TEdit>(this, this, 160, 68, 152, 21);
    Name->SetText("wmplayer.exe");
    CallerId = Make<TCheckBox>(this, this, 8, 96, 150, 17);
    CallerId->SetCaption("Enable caller ID");
    CallerId->SetChecked(true);
    TimeOut = Make<TSpinEdit>(this, this, 160, 94, 60, 22);
    TimeOut->SetRange(1, 6);
    TimeOut->SetValue(2);
    Modems = Make<TListBox>(this, this, 8, 120, 145, 56);
    for (const char* m : {"Voice Modem", "Fax Modem"}) Modems->AddItem(m);
    Modems->SetItemIndex(1);
    Volume = Make<TTrackBar>(this, this, 160, 120, 152, 30);
    Volume->SetRange(0, 16);
    Volume->SetPosition(8);
    auto* panel = Make<TPanel>(this, this, 160, 152, 152, 24);
    panel->SetBevelOuter(bvLowered);
    Gauge = Make<TProgressBar>(this, panel, 4, 4, 144, 16);
    Gauge->SetPosition(40);
    Log = new TMemo(this);
    Log->ScrollBars = ssVertical;
    Log->SetParent(this);
    Log->SetBounds(8, 184, 304, 48);
    Log->Add("-- Recording started");
    OkBtn = Make<TButton>(this, this, 156, 240, 75, 25);
    OkBtn->SetCaption("OK");
    OkBtn->SetDefault(true);
    OkBtn->ModalResult = mrOk;
    RecSb1 = Make<TButton>(this, this, 237, 240, 75, 25);
    RecSb1->SetAction(acRecord);
    Hello = Make<TButton>(this, this, 8, 240, 75, 25);
    Hello->SetCaption("Hello");
    Hello->OnClick = [this](TComponent*) { ++hellos; };
    Picture = Make<TImage>(this, this, 160, 4, 0, 0);
    Picture->SetBounds(284, 14, 24, 24);
    Picture->Stretch = true;
    Picture->Proportional = true;
    Group = Make<TGroupBox>(this, this, 8, 272, 304, 44);
    Group->SetCaption(" Fonts ");
    FontsBtn = Make<TButton>(this, Group, 221, 14, 75, 23);
    FontsBtn->SetCaption("Select");
    FontsBtn->OnClick = [this](TComponent*) { ++fonts; };
    SetClientSize(320, 324);
  }

  TAction *acRecord, *acPlay;
  TMenuItem *Exit1, *Search1, *Record1, *Play1;
  TLabel* Label1;
  TComboBox* Ports;
  TEdit* Name;
  TCheckBox* CallerId;
  TSpinEdit* TimeOut;
  TListBox* Modems;
  TTrackBar* Volume;
  TProgressBar* Gauge;
  TMemo* Log;
  TButton *OkBtn, *RecSb1, *Hello, *FontsBtn;
  TGroupBox* Group;
  TImage* Picture;
  int fonts = 0;
  int records = 0, plays = 0, exits = 0, searches = 0, hellos = 0;
};

class FormTest : public TFormFixture<TSampleForm> {};

// A real click through the platform's input, where the control is the window under the point.
bool ClickAt(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  if (WindowFromPoint(p) != control) return false;  // covered by some other window
  SetCursorPos(p.x, p.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendInput(2, in, sizeof(INPUT)) == 2;
}
}

TEST_F(FormTest, ScreenshotShowsTheControls) {
  // A 2 x 1 picture: left half red, right half blue, drawn proportionally into 24 x 24.
  HDC screenDc = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screenDc, 2, 1);
  HDC mem = CreateCompatibleDC(screenDc);
  HGDIOBJ old = SelectObject(mem, bitmap);
  SetPixel(mem, 0, 0, RGB(255, 0, 0));
  SetPixel(mem, 1, 0, RGB(0, 0, 255));
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(nullptr, screenDc);
  form->Picture->SetBitmap(bitmap);
  PumpMs(200);
  int w = 0, h = 0;
  std::vector<COLORREF> pixels = SaveWindowPicture(form->Handle(), "ui_form.bmp", w, h);
  ASSERT_FALSE(pixels.empty());
  ASSERT_GT(w, 300);
  ASSERT_GT(h, 320);
  // Distinct colours: face, text, edges, the gauge's fill, the edit's white.
  std::set<COLORREF> colours(pixels.begin(), pixels.end());
  EXPECT_GT(colours.size(), 4u);
  auto at = [&](TControl* c, int dx, int dy) {
    POINT p = {dx, dy};
    ClientToScreen(c->Handle(), &p);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    return pixels[(p.y - r.top) * w + (p.x - r.left)];
  };
  // The labels inside the bevel are drawn over it: dark text pixels in the first one.
  int dark = 0;
  for (int y = 0; y < form->Label1->Height(); ++y)
    for (int x = 0; x < form->Label1->Width(); ++x)
      if (GetGValue(at(form->Label1, x, y)) < 0x60) ++dark;
  EXPECT_GT(dark, 30);
  EXPECT_EQ(ColorToRGB(clBtnFace), at(form->Group, 20, 28)) << "inside the group box";
  EXPECT_EQ(RGB(255, 0, 0), at(form->Picture, 3, 3));
  EXPECT_EQ(RGB(0, 0, 255), at(form->Picture, 20, 3));
  EXPECT_EQ(ColorToRGB(clBtnFace), at(form->Picture, 3, 20)) << "proportional: 24 x 12";
  EXPECT_EQ(ColorToRGB(clWindow), at(form->Name, form->Name->ClientWidth() - 3, 3));
  EXPECT_NE(at(form->Gauge, 5, 8), at(form->Gauge, form->Gauge->ClientWidth() - 5, 8))
      << "40% of the gauge is filled";
}

TEST_F(FormTest, ClickOnAButtonRunsItsHandler) {
  // Away from the middle and on top: other tests' windows may share the display.
  form->SetFormStyle(fsStayOnTop);
  form->SetBounds(Screen.Width() - form->Width() - 8, Screen.Height() - form->Height() - 8,
                  form->Width(), form->Height());
  SetForegroundWindow(form->Handle());
  PumpMs(100);
  struct TCase {
    TButton* button;
    int TSampleForm::*counter;
  } cases[] = {{form->Hello, &TSampleForm::hellos},
               {form->RecSb1, &TSampleForm::records},    // the action's handler
               {form->FontsBtn, &TSampleForm::fonts}};  // a button inside a group box
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.button->Caption());
    bool clicked = false;
    for (int attempt = 0; attempt < 20 && !clicked; ++attempt) {
      clicked = ClickAt(c.button->Handle());
      if (!clicked) PumpMs(250);
    }
    ASSERT_TRUE(clicked) << "the button stayed covered";
    EXPECT_TRUE(PumpFor([&] { return form->*c.counter == 1; }, 5000));
  }
}

TEST_F(FormTest, ShortcutsOfMenuItemsAndActions) {
  struct TCase {
    const char* what;
    std::function<void()> before;
    WORD key;
    int TSampleForm::*counter;
    int expected;
  };
  const TCase cases[] = {
      {"enabled item", [] {}, 'X', &TSampleForm::exits, 1},
      {"disabled item", [] {}, 'F', &TSampleForm::searches, 0},
      {"item of an enabled action", [] {}, 'R', &TSampleForm::records, 1},
      {"item of a disabled action", [] {}, 'P', &TSampleForm::plays, 0},
      {"action disabled later", [this] { form->acRecord->SetEnabled(false); }, 'R',
       &TSampleForm::records, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    form->records = form->plays = form->exits = form->searches = 0;
    c.before();
    TypeKey(form->Name->Handle(), c.key, ssCtrl);
    EXPECT_EQ(c.expected, form->*c.counter);
  }
  // The action's state shows on its menu item and its button.
  HMENU file = GetSubMenu(form->Menu()->Handle(), 0);
  EXPECT_TRUE(GetMenuState(file, form->Record1->Command(), MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(IsWindowEnabled(form->RecSb1->Handle()));
  form->acRecord->SetEnabled(true);
  form->acRecord->SetChecked(true);
  form->acRecord->SetCaption("Recording");
  EXPECT_FALSE(GetMenuState(file, form->Record1->Command(), MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(file, form->Record1->Command(), MF_BYCOMMAND) & MF_CHECKED);
  char text[64] = {};
  GetMenuStringA(file, form->Record1->Command(), text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ("Recording\tCtrl+R", text);
  EXPECT_EQ("Recording", form->RecSb1->Caption());
  // The menu command itself runs the same handler as the button.
  form->records = 0;
  SendMessageA(form->Handle(), WM_COMMAND, form->Record1->Command(), 0);
  SendMessageA(form->RecSb1->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(2, form->records);
}

TEST_F(FormTest, MemoHoldsMoreThanTheDefaultLimit) {
  form->Log->Clear();
  std::string line(99, 'x');
  for (int i = 0; i < 500; ++i) form->Log->Add(line);
  EXPECT_EQ(500, form->Log->LineCount());
  EXPECT_GT(form->Log->Text().size(), 50000u);
  form->Log->SetText("a\r\nb");
  form->Log->Add("c");
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), form->Log->Lines());
}

TEST_F(FormTest, ControlsKeepTheirValues) {
  EXPECT_EQ("COM1", form->Ports->Text());
  form->Ports->SetText("COM12");
  EXPECT_EQ(2, form->Ports->ItemIndex());
  form->Ports->SetText("free text");  // a drop-down list takes no free text
  EXPECT_EQ(-1, form->Ports->ItemIndex());
  EXPECT_EQ(1, form->Modems->ItemIndex());
  EXPECT_EQ(2, form->TimeOut->Value());
  form->TimeOut->SetValue(40);
  EXPECT_EQ(6, form->TimeOut->Value());
  EXPECT_EQ(8, form->Volume->Position());
  int changes = 0;
  form->Volume->OnChange = [&](TComponent*) { ++changes; };
  form->Volume->SetPosition(99);
  EXPECT_EQ(16, form->Volume->Position());
  EXPECT_EQ(1, changes);
  int clicks = 0;
  form->CallerId->OnClick = [&](TComponent*) { ++clicks; };
  EXPECT_TRUE(form->CallerId->Checked());
  form->CallerId->SetChecked(false);
  form->CallerId->SetChecked(false);
  EXPECT_EQ(1, clicks);
  int edits = 0;
  form->Name->OnChange = [&](TComponent*) { ++edits; };
  form->Name->SetText("player.exe");
  EXPECT_EQ(1, edits);
  EXPECT_EQ("player.exe", form->Name->Text());
  form->Gauge->SetPosition(140);
  EXPECT_EQ(100, form->Gauge->Position());
  {
    std::ofstream broken("broken.bmp", std::ios::binary);
    broken << "BM not a picture";
  }
  for (const char* file : {"no-such-picture.bmp", "broken.bmp"}) {
    SCOPED_TRACE(file);
    EXPECT_THROW(form->Picture->LoadFromFile(file), EInOutError);
  }
}

TEST_F(FormTest, FormPropertiesReachTheWindow) {
  char cls[64] = {};
  GetClassNameA(form->Handle(), cls, sizeof cls);
  EXPECT_STREQ("TSampleForm", cls);
  EXPECT_EQ(Application.Handle(), GetWindow(form->Handle(), GW_OWNER));
  EXPECT_EQ(320, form->ClientWidth());
  EXPECT_EQ(324, form->ClientHeight());
  EXPECT_EQ((Screen.Width() - form->Width()) / 2, form->Left());
  EXPECT_FALSE(GetWindowLongA(form->Handle(), GWL_STYLE) & WS_THICKFRAME);

  form->SetBorderStyle(bsDialog);
  EXPECT_TRUE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(GetWindowLongA(form->Handle(), GWL_STYLE) & WS_MINIMIZEBOX);
  form->SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  form->Constraints.MinWidth = 450;
  form->Constraints.MinHeight = 500;
  form->SetBounds(10, 20, 100, 100);
  EXPECT_EQ(450, form->Width());
  EXPECT_EQ(500, form->Height());
  EXPECT_EQ(10, form->Left());

  form->SetWindowState(wsMinimized);
  PumpMs(200);
  EXPECT_EQ(wsMinimized, form->WindowState());
  form->SetWindowState(wsNormal);
  PumpMs(200);
  EXPECT_EQ(wsNormal, form->WindowState());
  EXPECT_EQ(form, Screen.Forms(Screen.FormCount() - 1));
}

TEST_F(FormTest, CloseAsksTheCloseQueryAndFollowsTheCloseAction) {
  bool allow = false;
  TCloseAction action = caHide;
  int destroyed = 0;
  TSampleForm* other = NewForm<TSampleForm>(nullptr);
  other->OnCloseQuery = [&](TComponent*, bool& canClose) { canClose = allow; };
  other->OnClose = [&](TComponent*, TCloseAction& a) { a = action; };
  other->OnDestroy = [&](TComponent*) { ++destroyed; };
  other->Show();
  other->Close();
  EXPECT_TRUE(other->Visible()) << "refused by the close query";
  allow = true;
  action = caNone;
  other->Close();
  EXPECT_TRUE(other->Visible());
  action = caHide;
  other->Close();
  EXPECT_FALSE(other->Visible());
  other->Show();
  action = caFree;
  SendMessageA(other->Handle(), WM_CLOSE, 0, 0);  // the close box
  EXPECT_TRUE(PumpFor([&] { return destroyed == 1; }, 5000)) << "freed from the loop";
}

TEST_F(FormTest, ModalResultOfTheDefaultButtonAndCloseQuery) {
  form->Hide();
  TSampleForm* other = NewForm<TSampleForm>(nullptr);
  other->Show();
  bool otherEnabledInside = true;
  int queries = 0;
  form->OnCloseQuery = [&](TComponent*, bool& canClose) { canClose = ++queries > 1; };
  int shows = 0;
  form->OnShow = [&](TComponent*) {
    ++shows;
    otherEnabledInside = IsWindowEnabled(other->Handle()) != 0;
    PostMessageA(form->Handle(), WM_COMMAND, IDOK, 0);  // Enter: the default button
    PostMessageA(form->Handle(), WM_COMMAND, IDOK, 0);
  };
  TWatchdog watchdog(form->Handle(), 10000);
  EXPECT_EQ(mrOk, form->ShowModal());
  EXPECT_EQ(2, queries) << "the first close was refused";
  EXPECT_EQ(1, shows);
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_FALSE(otherEnabledInside) << "the other windows are disabled while it is modal";
  EXPECT_TRUE(IsWindowEnabled(other->Handle()));
  other->Free();
}

TEST_F(FormTest, InputBoxReturnsTheTextOrTheDefault) {
  for (bool ok : {true, false}) {
    SCOPED_TRACE(ok);
    DWORD self = GetCurrentThreadId();
    std::atomic<bool> answered{false};
    std::thread user([&] {
      for (int i = 0; i < 500 && !answered; ++i, Sleep(20)) {
        HWND box = FindWindowA("TInputForm", "Comment");
        if (box && (GetWindowThreadProcessId(box, nullptr) != self || !IsWindowVisible(box))) box = nullptr;
        if (!box) continue;
        HWND edit = FindWindowExA(box, nullptr, "Edit", nullptr);
        if (edit) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("A new memo"));
        PostMessageA(box, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
        answered = true;
      }
    });
    std::string text = InputBox("Comment", "", "old memo");
    user.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(ok ? "A new memo" : "old memo", text);
  }
}

TEST_F(FormTest, KeyPreviewSeesKeysBeforeTheControls) {
  form->Name->SetText("");
  std::vector<std::pair<WORD, TShiftState>> seen;
  form->KeyPreview = true;
  form->OnKeyDown = [&](TComponent*, WORD& key, TShiftState shift) {
    if (key == VK_MENU || key == VK_SHIFT || key == VK_CONTROL) return;
    seen.emplace_back(key, shift);
    if (key == 'A') key = 0;  // swallowed: the edit never sees it
  };
  TypeKey(form->Name->Handle(), '2', ssAlt);
  TypeKey(form->Name->Handle(), 'A');
  TypeKey(form->Name->Handle(), 'B');
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ('2', seen[0].first);
  EXPECT_EQ(ssAlt, seen[0].second);
  EXPECT_EQ("b", form->Name->Text());
}

TEST_F(FormTest, OwnFontSizesALabel) {
  int before = form->Label1->Height();
  form->Label1->SetFont(TFont("Tahoma", 14, clRed, fsBold));
  EXPECT_GT(form->Label1->Height(), before);
  EXPECT_EQ(clRed, form->Label1->FontColor());
}

TEST_F(FormTest, PopupMenuRunsTheChosenItem) {
  auto* popup = new TPopupMenu(form);
  auto* show = new TMenuItem(form);
  show->SetCaption("Show");
  int shows = 0, popups = 0;
  show->OnClick = [&](TComponent*) { ++shows; };
  auto* exit = new TMenuItem(form);
  exit->SetCaption("Exit");
  exit->SetAction(form->acRecord);
  popup->Items()->Add(show);
  popup->Items()->Add(exit);
  popup->OnPopup = [&](TComponent*) { ++popups; };
  TMenuUser user("Show");
  popup->Popup(form->Left() + 40, form->Top() + 40);
  EXPECT_TRUE(user.Finish());
  EXPECT_EQ(1, popups);
  EXPECT_EQ(1, shows);
}

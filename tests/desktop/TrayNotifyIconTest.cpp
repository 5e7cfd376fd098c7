// The tray icon against Wine's own notification area: add, modify and delete; icon cycling;
// clicks told apart; the popup menu driven through the icon's messages; minimise to the tray
// and restore.
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <vector>
#include "Action.h"
#include "Application.h"
#include "Exception.h"
#include "Form.h"
#include "ImageList.h"
#include "Menu.h"
#include "TrayNotifyIcon.h"
#include "UiTest.h"

namespace {
const DWORD kWaitMs = 10000;

// True when the shell has an icon of this window and id: only an icon it holds can be modified.
bool InTray(HWND window) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = window;
  data.uID = 1;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The icon drawn on white, pixel by pixel: tells the pictures apart.
std::vector<COLORREF> Pixels(HICON icon) {
  const int size = 32;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, size, size};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<COLORREF> ListPixels(TImageList* list, int index) {
  HICON icon = list->GetIcon(index);
  std::vector<COLORREF> pixels = Pixels(icon);
  DestroyIcon(icon);
  return pixels;
}

// The main window's use of the tray: two image lists from the program's resources, the tray menu
// with "Show" as its default entry and the record and modem commands as actions.
class TTrayForm : public TForm {
public:
  explicit TTrayForm(TComponent* owner, bool startMinimized = false)
      : TForm(owner, "TTrayTestForm") {
    SetCaption("Tray test");
    TrayIcon = new TImageList(this, 32, 32);
    TrayIcon->AddResourceIcon("TRAY_ON");
    TrayIcon->AddResourceIcon("TRAY_OFF");
    animateTrayIcon = new TImageList(this, 32, 32);
    for (const char* name : {"TRAY_REC0", "TRAY_REC1", "TRAY_REC2", "TRAY_REC3"})
      animateTrayIcon->AddResourceIcon(name);

    auto* actions = new TActionList(this);
    acRecord = new TAction(actions);
    acRecord->SetCaption("Record");
    acRecord->OnExecute = [this](TComponent*) { ++recorded; };
    acModemOff = new TAction(actions);
    acModemOff->SetCaption("Modem off");
    acModemOff->OnExecute = [this](TComponent*) { ++modemOff; };

    trayPopup = new TPopupMenu(this);
    TrayOpen = AddItem("Show");
    TrayOpen->SetDefault(true);
    TrayOpen->OnClick = [this](TComponent*) { TrayNotifyIcon1->ShowMainForm(); };
    TrayRecord = AddItem("");
    TrayRecord->SetAction(acRecord);
    TrayModemOff = AddItem("");
    TrayModemOff->SetAction(acModemOff);

    TrayNotifyIcon1 = new TTrayNotifyIcon(this);
    TrayNotifyIcon1->SetIconList(TrayIcon);
    TrayNotifyIcon1->SetCycleInterval(500);
    TrayNotifyIcon1->SetHint("Vorlane");
    TrayNotifyIcon1->SetPopupMenu(trayPopup);
    TrayNotifyIcon1->MinimizeToTray = true;
    TrayNotifyIcon1->StartMinimized = startMinimized;
  }

  TMenuItem* AddItem(const char* caption) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    trayPopup->Items()->Add(item);
    return item;
  }

  TImageList* TrayIcon;
  TImageList* animateTrayIcon;
  TAction* acRecord;
  TAction* acModemOff;
  TPopupMenu* trayPopup;
  TMenuItem* TrayOpen;
  TMenuItem* TrayRecord;
  TMenuItem* TrayModemOff;
  TTrayNotifyIcon* TrayNotifyIcon1;
  int recorded = 0;
  int modemOff = 0;
};

class TrayTest : public ::testing::Test {
protected:
  void SetUp() override {
    Application.Initialize();
    Application.ShowMainForm = true;
    Application.CreateForm(form);
    tray = form->TrayNotifyIcon1;
    form->Show();
    PumpMs(50);
  }
  void TearDown() override {
    if (form) form->Free();
    ShowWindow(Application.Handle(), SW_RESTORE);
    Application.ShowMainForm = true;
    PumpMs(50);
  }
  void Mouse(UINT message) { PostMessageA(tray->Handle(), TTrayNotifyIcon::kCallbackMessage, 1, message); }
  bool AppVisible() const {
    HWND app = Application.Handle();
    return IsWindowVisible(app) && !IsIconic(app);
  }

  TTrayForm* form = nullptr;
  TTrayNotifyIcon* tray = nullptr;
};

// Answers the popup menu that the test thread opens: once it is up, the keys choose an entry
// (Down moves from entry to entry, Enter runs it). A menu that stays up is cancelled.
class TMenuDriver {
public:
  TMenuDriver(HWND target, int downs)
      : worker_([this, target, downs] {
          DWORD start = GetTickCount();
          while (!stop_ && !FindWindowA("#32768", nullptr) && GetTickCount() - start < kWaitMs)
            Sleep(20);
          if (stop_) return;
          seen_ = FindWindowA("#32768", nullptr) != nullptr;
          Sleep(200);
          for (int i = 0; i < downs; ++i) PostMessageA(target, WM_KEYDOWN, VK_DOWN, 0);
          PostMessageA(target, WM_KEYDOWN, VK_RETURN, 0);
          start = GetTickCount();
          while (!stop_ && GetTickCount() - start < kWaitMs) Sleep(20);
          if (!stop_) {
            PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageA(Application.Handle(), WM_CANCELMODE, 0, 0);
          }
        }) {}
  ~TMenuDriver() {
    stop_ = true;
    worker_.join();
  }
  bool Seen() const { return seen_; }

private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};
  std::thread worker_;
};

TEST_F(TrayTest, LoadedPutsTheIconInTheTrayAndEachCallReportsTheShellsAnswer) {
  ASSERT_TRUE(IsWindow(tray->Handle()));
  EXPECT_EQ(GetParent(tray->Handle()), nullptr) << "a top-level window, not a message-only one";
  EXPECT_TRUE(tray->IconVisible());
  EXPECT_TRUE(InTray(tray->Handle()));
  EXPECT_TRUE(tray->ModifyIcon());
  EXPECT_FALSE(tray->ShowIcon()) << "the shell refuses the same icon twice";

  EXPECT_TRUE(tray->HideIcon());
  EXPECT_FALSE(tray->IconVisible());
  EXPECT_FALSE(InTray(tray->Handle()));
  EXPECT_FALSE(tray->ModifyIcon());
  EXPECT_FALSE(tray->HideIcon());

  tray->SetIconVisible(true);
  EXPECT_TRUE(InTray(tray->Handle()));
  HWND window = tray->Handle();
  form->Free();
  form = nullptr;
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(InTray(window));
}

TEST_F(TrayTest, TheHintIsTheTooltipUnlessEmptyOrSwitchedOff) {
  EXPECT_STREQ(tray->Tip(), "Vorlane");
  tray->SetShowHint(false);
  EXPECT_STREQ(tray->Tip(), "");
  tray->SetShowHint(true);
  tray->SetHint("");
  EXPECT_STREQ(tray->Tip(), "");
  tray->SetHint(std::string(300, 'x'));
  EXPECT_EQ(std::string(tray->Tip()), std::string(127, 'x'));
  EXPECT_TRUE(tray->ModifyIcon());
}

TEST_F(TrayTest, IconIndexPicksTheImageAndStaysInsideTheList) {
  EXPECT_EQ(Pixels(tray->Icon()), ListPixels(form->TrayIcon, 0));
  EXPECT_NE(ListPixels(form->TrayIcon, 0), ListPixels(form->TrayIcon, 1));
  struct {
    int set, expected;
  } cases[] = {{1, 1}, {99, 1}, {0, 0}, {-5, 0}};
  for (auto c : cases) {
    tray->SetIconIndex(c.set);
    EXPECT_EQ(tray->IconIndex(), c.expected) << c.set;
    EXPECT_EQ(Pixels(tray->Icon()), ListPixels(form->TrayIcon, c.expected)) << c.set;
  }
  tray->SetIconList(form->animateTrayIcon);
  tray->SetIconIndex(99);
  EXPECT_EQ(tray->IconIndex(), 3);
  tray->SetIconList(nullptr);
  EXPECT_EQ(tray->IconIndex(), 0);
  tray->SetIconIndex(2);
  EXPECT_EQ(tray->IconIndex(), 0);
  EXPECT_EQ(Pixels(tray->Icon()), ListPixels(form->animateTrayIcon, 3)) << "keeps its last icon";

  // The icon copies what it is given.
  HICON icon = form->TrayIcon->GetIcon(1);
  tray->SetIcon(icon);
  DestroyIcon(icon);
  EXPECT_EQ(Pixels(tray->Icon()), ListPixels(form->TrayIcon, 1));
  EXPECT_TRUE(tray->ModifyIcon());

  EXPECT_THROW(form->TrayIcon->AddResourceIcon("NO_SUCH_ICON"), EOutOfResources);
  EXPECT_EQ(form->TrayIcon->Count(), 2);
  EXPECT_EQ(form->TrayIcon->GetIcon(2), nullptr);
}

TEST_F(TrayTest, CyclingStepsThroughTheListOnScheduleAndStops) {
  // As while recording: the animation list, cycling on at 100 ms; then back as after the stop.
  tray->SetCycleInterval(100);
  tray->SetIconList(form->animateTrayIcon);
  tray->SetIconIndex(2);
  std::vector<int> next;
  std::vector<DWORD> times;
  std::vector<bool> shown;
  int expectedImage = 0;
  tray->OnCycle = [&](TComponent* sender, int nextIndex) {
    EXPECT_EQ(sender, tray);
    shown.push_back(Pixels(tray->Icon()) == ListPixels(form->animateTrayIcon, expectedImage));
    expectedImage = nextIndex;
    next.push_back(nextIndex);
    times.push_back(GetTickCount());
  };
  DWORD start = GetTickCount();
  tray->SetCycleIcons(true);
  EXPECT_EQ(tray->IconIndex(), 0) << "cycling starts at the first image";
  ASSERT_TRUE(PumpFor([&] { return next.size() >= 6; }, kWaitMs));
  EXPECT_EQ(std::vector<int>(next.begin(), next.begin() + 6), (std::vector<int>{1, 2, 3, 0, 1, 2}));
  for (bool s : shown) EXPECT_TRUE(s) << "each step shows the image at the index";
  EXPECT_GE(times[5] - start, 6u * 100 * 8 / 10) << "steps come no faster than the interval";
  EXPECT_TRUE(InTray(tray->Handle()));

  tray->SetIconList(form->TrayIcon);
  tray->SetCycleIcons(false);
  tray->SetIconIndex(0);
  size_t steps = next.size();
  PumpMs(500);
  EXPECT_EQ(next.size(), steps) << "no step after cycling is off";
  EXPECT_EQ(Pixels(tray->Icon()), ListPixels(form->TrayIcon, 0));

  tray->SetIconIndex(1);  // "Modem off"
  EXPECT_EQ(Pixels(tray->Icon()), ListPixels(form->TrayIcon, 1));
}

TEST_F(TrayTest, CyclingWithoutAListChangesNothing) {
  tray->SetIconList(nullptr);
  int cycles = 0;
  tray->OnCycle = [&](TComponent*, int) { ++cycles; };
  tray->SetCycleInterval(50);
  tray->SetCycleIcons(true);
  PumpMs(300);
  EXPECT_EQ(cycles, 0);
  tray->SetCycleIcons(false);
}

TEST_F(TrayTest, OneClickFiresOnClickOnceAndADoubleClickOnlyOnDblClick) {
  tray->SetPopupMenu(nullptr);  // no default entry runs here
  int clicks = 0, dblClicks = 0;
  std::vector<std::pair<TMouseButton, bool>> buttons;  // button, down
  tray->OnClick = [&](TComponent*) { ++clicks; };
  tray->OnDblClick = [&](TComponent*) { ++dblClicks; };
  tray->OnMouseDown = [&](TComponent*, TMouseButton b, TShiftState, int, int) {
    buttons.emplace_back(b, true);
  };
  tray->OnMouseUp = [&](TComponent*, TMouseButton b, TShiftState, int, int) {
    buttons.emplace_back(b, false);
  };
  const DWORD settle = GetDoubleClickTime() + 500;

  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  PumpMs(50);
  EXPECT_EQ(clicks, 0) << "a click waits for the double-click time";
  ASSERT_TRUE(PumpFor([&] { return clicks > 0; }, kWaitMs));
  PumpMs(settle);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dblClicks, 0);

  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  Mouse(WM_LBUTTONDBLCLK);
  Mouse(WM_LBUTTONUP);
  PumpMs(settle);
  EXPECT_EQ(dblClicks, 1);
  EXPECT_EQ(clicks, 1) << "a double click fires no click";

  // Held past the double-click time: the click comes with the release.
  Mouse(WM_LBUTTONDOWN);
  PumpMs(settle);
  EXPECT_EQ(clicks, 1);
  Mouse(WM_LBUTTONUP);
  PumpMs(50);
  EXPECT_EQ(clicks, 2);
  PumpMs(settle);
  EXPECT_EQ(clicks, 2);

  buttons.clear();
  Mouse(WM_MBUTTONDOWN);
  Mouse(WM_MBUTTONUP);
  Mouse(WM_RBUTTONDOWN);  // no menu: nothing pops up
  Mouse(WM_RBUTTONUP);
  PumpMs(100);
  EXPECT_EQ(buttons, (std::vector<std::pair<TMouseButton, bool>>{
                         {mbMiddle, true}, {mbMiddle, false}, {mbRight, true}, {mbRight, false}}));
}

TEST_F(TrayTest, NoMouseEventWhileDisabled) {
  int events = 0;
  tray->OnClick = tray->OnDblClick = [&](TComponent*) { ++events; };
  tray->OnMouseDown = tray->OnMouseUp = [&](TComponent*, TMouseButton, TShiftState, int, int) {
    ++events;
  };
  tray->OnMouseMove = [&](TComponent*, TShiftState, int, int) { ++events; };
  tray->Enabled = false;
  for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                 WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP})
    Mouse(m);
  PumpMs(GetDoubleClickTime() + 500);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(form->recorded, 0);

  tray->Enabled = true;
  Mouse(WM_MOUSEMOVE);
  PumpMs(50);
  EXPECT_EQ(events, 1);
}

TEST_F(TrayTest, RightClickMenuRunsTheChosenEntrysAction) {
  int shown = 0;
  form->trayPopup->OnPopup = [&](TComponent*) { ++shown; };
  {
    TMenuDriver driver(tray->Handle(), 2);  // Show, Record
    Mouse(WM_RBUTTONDOWN);
    ASSERT_TRUE(PumpFor([&] { return form->recorded > 0; }, kWaitMs + 2000));
    EXPECT_TRUE(driver.Seen());
  }
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(form->recorded, 1);
  EXPECT_EQ(form->trayPopup->PopupComponent, tray);

  {
    TMenuDriver driver(tray->Handle(), 3);  // Modem off
    Mouse(WM_RBUTTONDOWN);
    ASSERT_TRUE(PumpFor([&] { return form->modemOff > 0; }, kWaitMs + 2000));
  }
  EXPECT_EQ(form->recorded, 1);

  // A disabled action's entry is not run.
  form->acRecord->SetEnabled(false);
  {
    TMenuDriver driver(tray->Handle(), 2);
    Mouse(WM_RBUTTONDOWN);
    PumpFor([&] { return driver.Seen() && !FindWindowA("#32768", nullptr); }, kWaitMs + 2000);
    PumpMs(200);
  }
  EXPECT_EQ(form->recorded, 1);

  // With LeftPopup the left button opens it too.
  form->acRecord->SetEnabled(true);
  tray->LeftPopup = true;
  {
    TMenuDriver driver(tray->Handle(), 2);
    Mouse(WM_LBUTTONDOWN);
    ASSERT_TRUE(PumpFor([&] { return form->recorded > 1; }, kWaitMs + 2000));
  }
  Mouse(WM_LBUTTONUP);
  PumpMs(50);
}

TEST_F(TrayTest, MenuWithoutAutoPopupStaysClosed) {
  form->trayPopup->AutoPopup = false;
  int shown = 0;
  form->trayPopup->OnPopup = [&](TComponent*) { ++shown; };
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_RBUTTONUP);
  Mouse(WM_LBUTTONDBLCLK);
  PumpMs(200);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(FindWindowA("#32768", nullptr) && IsWindowVisible(FindWindowA("#32768", nullptr)),
            false);
}

TEST_F(TrayTest, MinimisingGoesToTheTrayAndADoubleClickRestores) {
  ASSERT_TRUE(IsWindowVisible(form->Handle()));
  Application.Minimize();
  PumpMs(100);
  EXPECT_FALSE(IsWindowVisible(form->Handle())) << "the main window is hidden";
  EXPECT_FALSE(IsWindowVisible(Application.Handle())) << "and so is the taskbar's window";
  EXPECT_TRUE(tray->IconVisible());
  EXPECT_TRUE(InTray(tray->Handle()));

  int dblClicks = 0;
  tray->OnDblClick = [&](TComponent*) { ++dblClicks; };
  Mouse(WM_LBUTTONDBLCLK);  // runs the default entry, "Show"
  ASSERT_TRUE(PumpFor([&] { return IsWindowVisible(form->Handle()); }, kWaitMs));
  EXPECT_EQ(dblClicks, 1);
  EXPECT_TRUE(AppVisible());
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_TRUE(InTray(tray->Handle()));

  // The minimise box of the main window goes the same way; the menu's "Show" brings it back.
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpMs(100);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  {
    TMenuDriver driver(tray->Handle(), 1);
    Mouse(WM_RBUTTONDOWN);
    ASSERT_TRUE(PumpFor([&] { return IsWindowVisible(form->Handle()); }, kWaitMs + 2000));
  }
  EXPECT_TRUE(AppVisible());
}

TEST_F(TrayTest, WithoutMinimizeToTrayTheWindowsStay) {
  tray->MinimizeToTray = false;
  Application.Minimize();
  PumpMs(100);
  EXPECT_TRUE(IsIconic(Application.Handle()));
  // Hidden because the application window went away: the tray brings the application back.
  SendMessageA(form->Handle(), WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
  PumpMs(50);
  EXPECT_TRUE(AppVisible());
}

TEST_F(TrayTest, ShowMainFormRestoresAMinimisedForm) {
  // The window manager answers a minimise late under load, and Wine then minimises the
  // application window once more: a restore asked for before that answer is undone by it.
  // Count the minimises, and ask again only after one that came after the restore.
  int minimises = 0;
  const int hook = Application.HookMainWindow([&](UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_SIZE && wParam == SIZE_MINIMIZED) ++minimises;
    return false;
  });
  form->SetWindowState(wsMinimized);
  ASSERT_TRUE(PumpFor([&] { return minimises > 0 && !IsWindowVisible(form->Handle()); }, kWaitMs));
  auto restored = [&] {
    return form->WindowState() == wsNormal && IsWindowVisible(form->Handle());
  };
  for (int tries = 0; tries < 3; ++tries) {
    const int before = minimises;
    tray->ShowMainForm();
    PumpFor([&] { return minimises != before || restored(); }, kWaitMs);
    PumpMs(200);
    if (minimises == before) break;
  }
  Application.UnhookMainWindow(hook);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  tray->HideMainForm();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(IsWindowVisible(Application.Handle()));
  tray->ShowMainForm();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(AppVisible());
}

TEST_F(TrayTest, AShellRestartAddsAVisibleIconAgain) {
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = tray->Handle();
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));  // as a shell that died
  ASSERT_FALSE(InTray(tray->Handle()));
  SendMessageA(Application.Handle(), taskbarCreated, 0, 0);
  EXPECT_TRUE(InTray(tray->Handle()));

  tray->SetIconVisible(false);
  SendMessageA(Application.Handle(), taskbarCreated, 0, 0);
  EXPECT_FALSE(InTray(tray->Handle())) << "a hidden icon stays hidden";
}

TEST_F(TrayTest, FreedListAndMenuAreLetGo) {
  delete form->trayPopup;
  form->trayPopup = nullptr;
  EXPECT_EQ(tray->PopupMenu(), nullptr);
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_LBUTTONDBLCLK);
  PumpMs(100);
  EXPECT_EQ(FindWindowA("#32768", nullptr) && IsWindowVisible(FindWindowA("#32768", nullptr)),
            false);

  tray->SetIconIndex(1);
  delete form->TrayIcon;
  form->TrayIcon = nullptr;
  EXPECT_EQ(tray->IconList(), nullptr);
  EXPECT_EQ(tray->IconIndex(), 0);
  tray->SetCycleInterval(50);
  tray->SetCycleIcons(true);
  PumpMs(200);  // cycling without a list does nothing
  tray->SetCycleIcons(false);
  EXPECT_TRUE(tray->ModifyIcon());
}

TEST_F(TrayTest, TheHiddenWindowIgnoresCloseAndEndOfSession) {
  HWND window = tray->Handle();
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 1);
  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(InTray(window));
}

TEST(TrayStartTest, StartMinimizedKeepsTheMainWindowAndTheTaskbarsWindowHidden) {
  Application.Initialize();
  TTrayForm* form = nullptr;
  Application.CreateForm(form, true);
  EXPECT_FALSE(Application.ShowMainForm);
  EXPECT_FALSE(IsWindowVisible(Application.Handle()));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(InTray(form->TrayNotifyIcon1->Handle()));
  form->TrayNotifyIcon1->ShowMainForm();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  form->Free();
  Application.ShowMainForm = true;
}
}  // namespace

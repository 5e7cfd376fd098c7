// The port selection dialog on the window layer.
#include <gtest/gtest.h>
#include "Application.h"
#include "Button.h"
#include "ComSelectForm.h"
#include "ComboBox.h"
#include "ScomPortSelect.h"
#include "UiTest.h"

namespace {
bool Only3And12(int n) { return n == 3 || n == 12; }
bool NoPort(int) { return false; }

// Answers the dialog from another thread once it is shown: picks an entry, then OK or Cancel.
class TDialogUser {
public:
  TDialogUser(int pick, int command) : thread_(GetCurrentThreadId()) {
    worker_ = std::thread([this, pick, command] {
      for (int i = 0; i < 500 && !done_; ++i, Sleep(20)) {
        HWND dialog = FindWindowA("TComSelectForm", "Select Port");
        if (!dialog || !IsWindowVisible(dialog) || GetWindowThreadProcessId(dialog, nullptr) != thread_)
          continue;
        HWND combo = FindWindowExA(dialog, nullptr, "ComboBox", nullptr);
        if (pick >= 0 && combo) SendMessageA(combo, CB_SETCURSEL, pick, 0);
        PostMessageA(dialog, WM_COMMAND, command, 0);
        done_ = true;
      }
    });
  }
  ~TDialogUser() {
    done_ = true;
    worker_.join();
  }

private:
  DWORD thread_;
  std::atomic<bool> done_{false};
  std::thread worker_;
};
}

TEST(ComSelectFormTest, ListsTheAvailablePortsAndSelectsTheFirst) {
  Application.Initialize();
  TComSelectForm* form = NewForm<TComSelectForm>(nullptr, Only3And12);
  EXPECT_EQ((std::vector<std::string>{"COM3", "COM12"}), form->PortsComboBox->Items());
  EXPECT_EQ(0, form->PortsComboBox->ItemIndex());
  EXPECT_EQ(3, form->SelectedComPort());
  form->PortsComboBox->SetItemIndex(1);
  EXPECT_EQ(12, form->SelectedComPort());
  EXPECT_EQ(220, form->ClientWidth());
  EXPECT_EQ(131, form->ClientHeight());
  EXPECT_TRUE(form->OkBtn->Default());
  EXPECT_TRUE(form->AbortBtn->Cancel());
  form->Free();

  TComSelectForm* empty = NewForm<TComSelectForm>(nullptr, NoPort);
  EXPECT_EQ(0, empty->PortsComboBox->Count());
  EXPECT_EQ(0, empty->SelectedComPort()) << "OK on an empty list gives no port";
  empty->Free();
}

TEST(ComSelectFormTest, PromptOfThePortComponentShowsTheDialog) {
  struct TCase {
    std::function<bool(int)> probe;
    int pick, command;
    bool accepted;
    int number;
  };
  const TCase cases[] = {
      {Only3And12, 1, IDOK, true, 12},     // the user picks COM12
      {Only3And12, -1, IDOK, true, 3},     // Enter on the first entry
      {Only3And12, 1, IDCANCEL, false, 0}, // Esc
      {NoPort, -1, IDOK, false, 0},        // OK with an empty list refuses like Cancel
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.number);
    InstallComSelectPrompt(c.probe);
    int number = 0;
    TDialogUser user(c.pick, c.command);
    EXPECT_EQ(c.accepted, PromptForPortNumber(number));
    EXPECT_EQ(c.number, number);
  }
  SetPortPrompt(nullptr);
}

TEST(ComSelectFormTest, Screenshot) {
  TComSelectForm* form = NewForm<TComSelectForm>(nullptr, Only3And12);
  form->Show();
  PumpMs(300);
  int w = 0, h = 0;
  EXPECT_FALSE(SaveWindowPicture(form->Handle(), "comselect.bmp", w, h).empty());
  form->Free();
}

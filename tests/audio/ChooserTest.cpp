#include "AudioTestUtil.h"
#include "WaveFormat.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <thread>

// The platform's format chooser, shown by the format selector form and driven from a second
// thread as a user would.
namespace {
std::string ownerClass;

BOOL CALLBACK CancelWindow(HWND w, LPARAM) {
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

// Drives the platform's chooser from a second thread: waits for the dialog, lets act pick,
// then presses the button. Gives up (pressing Cancel on any dialog of the thread) after 20 s.
void DriveChooser(DWORD uiThread, const std::function<void(HWND)>& act, int button) {
  HWND dialog = nullptr;
  for (int i = 0; i < 400 && !dialog; ++i) {
    dialog = FindWindowA("#32770", "Sound Selection");
    if (!dialog) Sleep(50);
  }
  if (!dialog) {
    EnumThreadWindows(uiThread, CancelWindow, 0);
    return;
  }
  char owner[64] = "";
  GetClassNameA(GetWindow(dialog, GW_OWNER), owner, sizeof owner);
  ownerClass = owner;
  Sleep(200);  // let it fill its lists
  if (act) act(dialog);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void Select(HWND dialog, int comboId, const char* text) {
  HWND combo = GetDlgItem(dialog, comboId);
  if (text)
    SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  else
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}
}

// Joins the driving thread however the test leaves (it gives up on its own within 20 s).
struct TJoined {
  std::thread thread;
  ~TJoined() {
    if (thread.joinable()) thread.join();
  }
};

TEST(Chooser, ThePlatformsDialog) {
  if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display";
  DWORD me = GetCurrentThreadId();
  TdeWaveFormat f = Pcm(8000, 1, 8);
  {
    TJoined cancel{std::thread(DriveChooser, me, nullptr, IDCANCEL)};
    EXPECT_FALSE(f.Choose("Choose file compression format"));
  }
  EXPECT_TRUE(f.Equals(Pcm(8000, 1, 8)));
  EXPECT_EQ(ownerClass, "TFormatSelector");
  {
    TJoined ok{std::thread(DriveChooser, me, [](HWND dialog) {
      Select(dialog, 101, "U-Law");
      Sleep(100);
      Select(dialog, 102, nullptr);
    }, IDOK)};
    EXPECT_TRUE(f.Choose("Choose file compression format"));
  }
  EXPECT_EQ(f.GetFormatTag(), WAVE_FORMAT_MULAW);
  EXPECT_EQ(f.GetSamplesPerSec(), 8000u);
  EXPECT_EQ(f.GetChannels(), 1);
  EXPECT_EQ(f.GetFormatDescription(), "U-Law: 8000 Hz; 8 bits; Mono");
}

// The message loop's idle rules, exceptions reaching the application object, window timers.
#include <gtest/gtest.h>
#include "Application.h"
#include "Button.h"
#include "Exception.h"
#include "Form.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include "Timer.h"
#include "UiTest.h"
#include <atomic>
#include <thread>

namespace {
const UINT kTestMessage = WM_APP + 7;

// Resets the application's handlers around each test.
class LoopTest : public ::testing::Test {
protected:
  void SetUp() override { Application.Initialize(); }
  void TearDown() override {
    Application.OnIdle = nullptr;
    Application.OnException = nullptr;
    PumpMs(50);
  }
};

// A message-only window counting kTestMessage.
struct TCounterWindow {
  int handled = 0;
  TMessageWindow window{"TTestCounter", [this](UINT msg, WPARAM, LPARAM, LRESULT& r) {
                          if (msg != kTestMessage) return false;
                          ++handled;
                          r = 0;
                          return true;
                        }};
};

class TSmallForm : public TForm {
public:
  explicit TSmallForm(TComponent* owner) : TForm(owner, "TSmallForm") {
    SetCaption("Small");
    SetClientSize(200, 80);
  }
};
}

TEST_F(LoopTest, IdleRunsOnlyOnceTheQueueIsEmpty) {
  TCounterWindow counter;
  for (int i = 0; i < 5; ++i) PostMessageA(counter.window.Handle(), kTestMessage, 0, 0);
  int seenAtIdle = -1;
  Application.OnIdle = [&](TComponent*, bool& done) {
    if (seenAtIdle < 0) seenAtIdle = counter.handled;
    done = false;  // no sleep: the test loop goes on at once
  };
  for (int i = 0; i < 100 && seenAtIdle < 0; ++i) Application.HandleMessage();
  EXPECT_EQ(5, seenAtIdle);
}

TEST_F(LoopTest, IdleWithDoneSleepsUntilTheNextMessage) {
  TCounterWindow counter;
  int idleCalls = 0;
  Application.OnIdle = [&](TComponent*, bool&) { ++idleCalls; };
  HWND target = counter.window.Handle();
  std::thread later([target] {
    Sleep(300);
    PostMessageA(target, kTestMessage, 0, 0);
  });
  ProcessMessages();
  Application.HandleMessage();  // queue empty: idle once, then asleep until the message
  later.join();
  EXPECT_EQ(1, idleCalls);
  EXPECT_TRUE(PumpUntil([&] { return counter.handled == 1; }, 5000));
}

TEST_F(LoopTest, ProcessMessagesAndPumpUntilNeverRunIdle) {
  TCounterWindow counter;
  int idleCalls = 0;
  Application.OnIdle = [&](TComponent*, bool&) { ++idleCalls; };
  for (int i = 0; i < 3; ++i) PostMessageA(counter.window.Handle(), kTestMessage, 0, 0);
  ProcessMessages();
  PostMessageA(counter.window.Handle(), kTestMessage, 0, 0);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(4, counter.handled);
  EXPECT_EQ(0, idleCalls);
}

TEST_F(LoopTest, IdleRunsInsideAModalForm) {
  TSmallForm* form = NewForm<TSmallForm>(nullptr);
  int idleCalls = 0;
  Application.OnIdle = [&](TComponent*, bool&) {
    if (++idleCalls == 3) form->ModalResult = mrOk;
    PostMessageA(form->Handle(), WM_NULL, 0, 0);  // keeps the modal loop turning
  };
  int result;
  {
    TWatchdog watchdog(form->Handle(), 10000);
    result = form->ShowModal();
  }
  EXPECT_EQ(mrOk, result);
  EXPECT_GE(idleCalls, 3);
  EXPECT_FALSE(form->Visible());
  form->Free();
}

TEST_F(LoopTest, IdleRunsInsideAMessageBox) {
  bool boxOpen = false;
  int idleInBox = 0;
  DWORD self = GetCurrentThreadId();
  Application.OnIdle = [&](TComponent*, bool&) {
    if (!boxOpen) return;
    ++idleInBox;
    for (HWND box : DialogBoxesOf(self)) PostMessageA(box, WM_COMMAND, IDOK, 0);
  };
  TBoxWatcher safety(IDCANCEL, 10000);
  boxOpen = true;
  int answer = Application.MessageBox("Idle goes on", "Test", MB_OKCANCEL);
  boxOpen = false;
  EXPECT_EQ(IDOK, answer);
  EXPECT_GE(idleInBox, 1);
}

// A modal form or box opened from inside a ProcessMessages wait: no idle work while it is up.
TEST_F(LoopTest, NoIdleInModalLoopsInsideAPumpWait) {
  int idleCalls = 0;
  Application.OnIdle = [&](TComponent*, bool&) { ++idleCalls; };
  TSmallForm* form = NewForm<TSmallForm>(nullptr);
  TTimer closer(nullptr);
  closer.SetInterval(300);
  closer.OnTimer = [&](TComponent*) { form->ModalResult = mrOk; };
  int modalResult = 0, boxResult = 0;
  bool finished = false;
  TMessageWindow opener("TTestOpener", [&](UINT msg, WPARAM, LPARAM, LRESULT& r) {
    if (msg != kTestMessage) return false;
    modalResult = form->ShowModal();
    closer.SetEnabled(false);
    TBoxWatcher answer(IDOK, 300);
    boxResult = Application.MessageBox("Inside a wait", "Test", MB_OK);
    finished = true;
    r = 0;
    return true;
  });
  PostMessageA(opener.Handle(), kTestMessage, 0, 0);
  {
    TWatchdog watchdog(form->Handle(), 10000);
    EXPECT_TRUE(PumpUntil([&] { return finished; }, 20000));
  }
  EXPECT_EQ(mrOk, modalResult);
  EXPECT_EQ(IDOK, boxResult);
  EXPECT_EQ(0, idleCalls);
  form->Free();
}

TEST_F(LoopTest, ExceptionsInWindowProceduresReachTheApplication) {
  std::vector<std::string> caught;
  Application.OnException = [&](TComponent*, const std::exception_ptr& e) {
    caught.push_back(ExceptionText(e));
  };
  // A control's handler.
  TSmallForm* form = NewForm<TSmallForm>(nullptr);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->OnClick = [](TComponent*) { throw Exception("Click failed"); };
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  // A hidden message window such as the serial port's.
  TMessageWindow port("TTestPortWindow", [](UINT msg, WPARAM, LPARAM, LRESULT&) -> bool {
    if (msg == kTestMessage) throw EInOutError("Port gone", 5);
    return false;
  });
  SendMessageA(port.Handle(), kTestMessage, 0, 0);
  // An idle handler.
  Application.OnIdle = [](TComponent*, bool& done) {
    done = false;
    throw Exception("Idle failed");
  };
  ProcessMessages();
  DWORD self = GetCurrentThreadId();
  std::thread wake([self] {
    Sleep(200);
    PostThreadMessageA(self, WM_NULL, 0, 0);
  });
  Application.HandleMessage();  // after the failed idle the loop sleeps until a message
  wake.join();
  Application.OnIdle = nullptr;
  ASSERT_EQ(3u, caught.size());
  EXPECT_EQ("Click failed", caught[0]);
  EXPECT_EQ("Port gone", caught[1]);
  EXPECT_EQ("Idle failed", caught[2]);
  form->Free();
}

TEST_F(LoopTest, UnhandledExceptionIsShownInABoxWithTheTitle) {
  Application.SetTitle("Vorlane");
  TMessageWindow port("TTestPortWindow2", [](UINT msg, WPARAM, LPARAM, LRESULT&) -> bool {
    if (msg == kTestMessage) throw Exception("Not enough timers available");
    return false;
  });
  TBoxWatcher watcher(IDOK);
  SendMessageA(port.Handle(), kTestMessage, 0, 0);  // returns once the box is answered
  ASSERT_EQ(1u, watcher.Texts().size());
  EXPECT_EQ("Not enough timers available", watcher.Texts()[0]);
  EXPECT_EQ("Vorlane", watcher.Captions()[0]);
}

TEST_F(LoopTest, TimerTicksStopsAndSurvivesExceptions) {
  struct TCase {
    unsigned interval;
    bool stopInHandler;
    bool throwInHandler;
    int minTicks, maxTicks;
  };
  const TCase cases[] = {
      {50, false, false, 5, 1000},  // runs
      {0, false, false, 0, 0},      // an interval of 0 does not run
      {50, true, false, 1, 1},      // disabled from inside its handler: no later tick
      {50, false, true, 3, 1000},   // an exception goes to the application, the ticks go on
  };
  const DWORD mainThread = GetCurrentThreadId();
  int exceptions = 0;
  Application.OnException = [&](TComponent*, const std::exception_ptr&) { ++exceptions; };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.interval);
    exceptions = 0;
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TComponent*) {
      ++ticks;
      EXPECT_EQ(mainThread, GetCurrentThreadId());
      if (c.stopInHandler) timer.SetEnabled(false);
      if (c.throwInHandler) throw Exception("tick");
    };
    timer.SetInterval(c.interval);
    PumpMs(1000);
    EXPECT_GE(ticks, c.minTicks);
    EXPECT_LE(ticks, c.maxTicks);
    if (c.throwInHandler) {
      EXPECT_EQ(ticks, exceptions);
    }
  }
}

TEST_F(LoopTest, ShowModalAndMessageBoxesWorkBeforeRun) {
  ASSERT_FALSE(Application.Running());
  TSmallForm* form = NewForm<TSmallForm>(nullptr);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->ModalResult = mrOk;
  TTimer clicker(nullptr);
  clicker.SetInterval(200);
  clicker.OnTimer = [&](TComponent*) {
    clicker.SetEnabled(false);
    SendMessageA(ok->Handle(), BM_CLICK, 0, 0);
  };
  TWatchdog watchdog(form->Handle(), 10000);
  EXPECT_EQ(mrOk, form->ShowModal());
  TBoxWatcher answer(IDYES);
  EXPECT_EQ(IDYES, Application.MessageBox("Exit while recording?", "Confirm", MB_YESNO));
  form->Free();
}

TEST_F(LoopTest, HooksOfTheApplicationWindow) {
  int calls = 0;
  int id = Application.HookMainWindow([&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != kTestMessage) return false;
    ++calls;
    result = 42;
    return true;
  });
  EXPECT_EQ(42, SendMessageA(Application.Handle(), kTestMessage, 0, 0));
  Application.UnhookMainWindow(id);
  SendMessageA(Application.Handle(), kTestMessage, 0, 0);
  EXPECT_EQ(1, calls);
}

TEST_F(LoopTest, ExceptionsOfOtherThreadsAreHandledOnTheMainThread) {
  const DWORD mainThread = GetCurrentThreadId();
  std::vector<std::pair<std::string, DWORD>> caught;
  Application.OnException = [&](TComponent*, const std::exception_ptr& e) {
    caught.emplace_back(ExceptionText(e), GetCurrentThreadId());
  };
  std::thread worker([] {
    try {
      throw Exception("from a worker");
    } catch (...) {
      HandleCallbackException(std::current_exception());
    }
  });
  worker.join();
  EXPECT_TRUE(caught.empty());
  EXPECT_TRUE(PumpUntil([&] { return !caught.empty(); }, 5000));
  ASSERT_EQ(1u, caught.size());
  EXPECT_EQ("from a worker", caught[0].first);
  EXPECT_EQ(mainThread, caught[0].second);
}

TEST(Pump, RequeueTakesOneAndKeepsAQuit) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
  EXPECT_FALSE(DispatchOneMessage(qmRequeue));
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, 0, 0);
  EXPECT_TRUE(DispatchOneMessage(qmRequeue));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_APP + 1));
  EXPECT_TRUE(DispatchOneMessage(qmRequeue));
  PostQuitMessage(7);
  EXPECT_TRUE(DispatchOneMessage(qmRequeue));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(Pump, RequeueWaitsOnPastAQuitAndLeavesItQueued) {
  ResetQuit();
  PostQuitMessage(3);
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    Sleep(200);
    finished = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return finished.load(); }, 20000, qmRequeue));
  worker.join();
  EXPECT_FALSE(QuitReceived());
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

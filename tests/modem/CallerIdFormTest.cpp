// The caller-ID pop-up on the Xvfb screen (1024 x 768).
#include "CallerIdForm.h"
#include "Image.h"
#include "Label.h"
#include "MessagePump.h"
#include "ProgressBar.h"
#include "ProgressForm.h"
#include "Screen.h"
#include "Timer.h"
#include "UiTest.h"
#include <gtest/gtest.h>

TEST(CallerIdForm, SlidesUpAndHidesAfterTenSeconds) {
  ASSERT_EQ(1024, Screen.Width());
  ASSERT_EQ(768, Screen.Height());
  TfmCallerID* form = NewForm<TfmCallerID>(nullptr);
  EXPECT_EQ(152, form->ClientWidth());
  EXPECT_EQ(64, form->ClientHeight());
  EXPECT_FALSE(form->Visible());

  form->ShowCaller("5550100");
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ("5550100", form->Label2->Caption());
  EXPECT_EQ(824, form->Left());
  EXPECT_EQ(728, form->Top());
  EXPECT_TRUE(form->tmShow->Enabled());
  // The ticks as the timer delivers them: 80 pixels up in the first 20, then rest.
  for (int i = 0; i < 20; ++i) form->tmShowTimer();
  EXPECT_EQ(648, form->Top());
  for (int i = 0; i < 50; ++i) form->tmShowTimer();
  EXPECT_EQ(648, form->Top());
  // A second number while shown: the label changes, the slide and the count go on.
  form->ShowCaller("5550199");
  EXPECT_EQ("5550199", form->Label2->Caption());
  EXPECT_EQ(648, form->Top());
  EXPECT_EQ(70, form->ShowTicks);
  for (int i = 70; i < 200; ++i) form->tmShowTimer();
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(form->tmShow->Enabled());

  // Hidden early by the call handler, the next call slides from the bottom edge again.
  form->ShowCaller("1");
  for (int i = 0; i < 5; ++i) form->tmShowTimer();
  form->HideCaller();
  EXPECT_FALSE(form->Visible());
  form->ShowCaller("2");
  EXPECT_EQ(728, form->Top());
  EXPECT_EQ(0, form->ShowTicks);
  form->Free();
}

TEST(CallerIdForm, RealTimerSlidesIt) {
  TfmCallerID* form = NewForm<TfmCallerID>(nullptr);
  form->ShowCaller("42");
  EXPECT_TRUE(PumpUntil([&] { return form->Top() == 648; }, 10000));
  form->Free();
}

TEST(ProgressForm, StartsAtZero) {
  TProgressForm* form = NewForm<TProgressForm>(nullptr);
  form->ProgressBar1->SetPosition(40);
  form->Show();
  EXPECT_EQ(0, form->ProgressBar1->Position());
  EXPECT_EQ("Finding Modems...", form->Caption());
  EXPECT_EQ(337, form->ClientWidth());
  form->Free();
}

TEST(CallerIdForm, LeavesTheActiveWindowActive) {
  TProgressForm* other = NewForm<TProgressForm>(nullptr);
  other->Show();
  SetForegroundWindow(other->Handle());
  PumpUntil([&] { return GetForegroundWindow() == other->Handle(); }, 3000);
  ASSERT_EQ(other->Handle(), GetForegroundWindow());
  TfmCallerID* form = NewForm<TfmCallerID>(nullptr);
  form->ShowCaller("42");
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(other->Handle(), GetForegroundWindow());
  EXPECT_EQ(other->Handle(), GetActiveWindow());
  form->Free();
  other->Free();
}

TEST(CallerIdForm, ItsOwnColourShowsWhatLiesBelow) {
  // A red window where the pop-up comes to rest.
  TForm* below = NewForm<TForm>(nullptr);
  below->SetBorderStyle(bsNone);
  below->SetColor(clRed);
  below->SetBounds(Screen.Width() - 320, Screen.Height() - 220, 320, 220);
  below->Show();
  TfmCallerID* form = NewForm<TfmCallerID>(nullptr);
  form->ShowCaller("5550100");
  for (int i = 0; i < 20; ++i) form->tmShowTimer();
  PumpUntil([] { return false; }, 500);

  int w = 0, h = 0;
  std::vector<COLORREF> pixels = SaveWindowPicture(form->Handle(), "caller_id.bmp", w, h);
  ASSERT_FALSE(pixels.empty());
  RECT frame;
  GetWindowRect(form->Handle(), &frame);
  auto at = [&](TControl* c, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(c->Handle(), &p);
    return pixels[(p.y - frame.top) * w + (p.x - frame.left)];
  };
  auto count = [&](TControl* c, const std::function<bool(COLORREF)>& match) {
    int n = 0;
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x) n += match(at(c, x, y));
    return n;
  };
  const COLORREF red = RGB(255, 0, 0);
  for (POINT p : {POINT{2, 2}, POINT{150, 2}, POINT{2, 62}, POINT{150, 62}, POINT{75, 50}})
    EXPECT_EQ(red, at(form, p.x, p.y)) << p.x << "," << p.y;
  EXPECT_EQ(red, at(form->Label1, form->Label1->Width() - 2, 1)) << "beside the text";
  EXPECT_GT(count(form->Label1, [](COLORREF c) { return GetRValue(c) < 0x60; }), 30) << "the caption";
  EXPECT_GT(count(form->Label2, [](COLORREF c) { return GetRValue(c) < 0x60; }), 20) << "the number";
  EXPECT_GT(count(form->Image1, [&](COLORREF c) { return c != red; }), 100) << "the picture";
  form->Free();
  below->Free();
}

#pragma once
#include <gtest/gtest.h>
#include "Application.h"
#include "Form.h"
#include "UiTest.h"

// A test with one shown form of class F (owned by nobody), freed at its end.
template <class F>
class TFormFixture : public ::testing::Test {
protected:
  void SetUp() override {
    Application.Initialize();
    form = NewForm<F>(nullptr);
    form->Show();
    PumpMs(300);
  }
  void TearDown() override {
    if (form) form->Free();
    PumpMs(50);
  }
  F* form = nullptr;
};

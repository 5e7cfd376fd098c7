#pragma once
// Included by each test file that uses the serial link: its process-wide state starts before the
// executable's first test and ends after its last (one registration, however many include it).
#include "ScomSystem.h"
#include <gtest/gtest.h>

class TScomTestEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ScomStart(); }
  void TearDown() override { ScomEnd(); }
};

inline ::testing::Environment* const ScomTestEnvironment =
    ::testing::AddGlobalTestEnvironment(new TScomTestEnvironment);

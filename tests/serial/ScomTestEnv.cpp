// Starts the serial link's process-wide state around every test of the executable.
#include "ScomSystem.h"
#include <gtest/gtest.h>

namespace {
class ScomEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ScomStart(); }
  void TearDown() override { ScomEnd(); }
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new ScomEnvironment);
}

#pragma once
#include <exception>
#include <string>
#include "EventLog.h"

// Runs f; what it raises becomes the events line "-- step: reason", so that one failed step
// does not keep the steps after it from running.
template <class F> void Guarded(const char* step, F f) {
  try {
    f();
  } catch (const std::exception& e) {
    AddEvent(std::string("-- ") + step + ": " + e.what());
  }
}

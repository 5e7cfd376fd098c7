#pragma once
#include "Exception.h"
#include <functional>
#include <string>

// The message of the E that action raises; any other exception, or none, says so instead, so
// that a comparison with the expected message fails with the reason.
template <class E = Exception>
std::string RaisedText(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message;
  } catch (const std::exception& e) {
    return std::string("wrong exception: ") + e.what();
  }
  return "no exception";
}

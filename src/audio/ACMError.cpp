#include "ACMError.h"
#include <cstdio>

const char* const SActive = "Cannot perform this action while active.";
const char* const SNotActive = "Cannot perform this action while not active.";
const char* const SFormatTooSmall = "The wave format buffer is too small.";

namespace {
const char* KnownText(MMRESULT code) {
  switch (code) {
    case 2: return "Bad device ID.";
    case 3: return "Driver not enabled.";
    case 4: return "Device already allocated.";
    case 5: return "The specified handle is invalid.";
    case 6: return "A suitable driver is not available to provide valid format selections.";
    case 7: return "The system is unable to allocate resources.";
    case 8: return "Function not supported.";
    case 10: return "At least one flag is invalid.";
    case 11: return "At least one parameter is invalid.";
    case 12: return "Device handle in use.";
    case 32: return "The selected audio format is not supported on this machine.";
    case 33: return "Audio device is still playing.";
    case 34: return "Cannot perform this action on a header that has not been prepared.";
    case 35: return "Device is synchronous.";
    case 512: return "The requested operation cannot be performed.";
    case 513: return "The conversion stream is already in use.";
    case 514: return "Cannot perform this action on a header that has not been prepared.";
    default: return nullptr;
  }
}
}

std::string ACMErrorText(MMRESULT code, const std::string& prefix) {
  std::string text = prefix.empty() ? std::string() : prefix + "\r\n";
  if (const char* known = KnownText(code)) return text + known;
  char buf[80];
  std::snprintf(buf, sizeof buf, "An unexpected error has occurred (code #%d).", static_cast<int>(code));
  return text + buf;
}

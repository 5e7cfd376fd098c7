#include "Exception.h"

std::string ExceptionText(const std::exception_ptr& error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return EOutOfMemory().Message;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
  return "";
}

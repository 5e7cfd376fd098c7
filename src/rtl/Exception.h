#pragma once
#include <exception>
#include <string>

// Base of every exception the program raises; Message is what the user is shown.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

// A run-time file or device error; ErrorCode is the positive platform error number.
class EInOutError : public Exception {
public:
  EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
  int ErrorCode;
};

class EOutOfMemory : public Exception {
public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// A window, timer or other platform resource could not be had.
class EOutOfResources : public Exception {
public:
  using Exception::Exception;
};

// The text of an exception of any kind, for a message box or an events line.
std::string ExceptionText(const std::exception_ptr& error);

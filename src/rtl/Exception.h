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

// A run-time file or device error; ErrorCode is the positive platform error number (0 when the
// platform reported none, as for a file that ended too soon).
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

// Text that does not convert to the number, date or time asked for.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// A string list used out of its rules (index out of bounds, duplicates refused, insert when sorted).
class EStringListError : public Exception {
public:
  using Exception::Exception;
};

// Streams: a file that cannot be made or opened, a read or write that moved fewer bytes than
// asked. They are file errors, so one handler of EInOutError sees them all.
class EStreamError : public EInOutError {
public:
  using EInOutError::EInOutError;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// A write to an ini file that the platform refused.
class EIniFileException : public EInOutError {
public:
  using EInOutError::EInOutError;
};

// The text of an exception of any kind, for a message box or an events line.
std::string ExceptionText(const std::exception_ptr& error);

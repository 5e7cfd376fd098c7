#pragma once
#include "Exception.h"
#include <windows.h>
#include <mmsystem.h>

// The audio exception family; every one carries only its message.
class EACMError : public Exception {
public:
  using Exception::Exception;
};
class EACMCodecError : public EACMError {
public:
  using EACMError::EACMError;
};
class EACMConversionError : public EACMError {
public:
  using EACMError::EACMError;
};
class EACMAudioStreamError : public EACMError {
public:
  using EACMError::EACMError;
};
class EACMAudioReadError : public EACMAudioStreamError {
public:
  using EACMAudioStreamError::EACMAudioStreamError;
};
class EACMAudioIOError : public EACMError {
public:
  using EACMError::EACMError;
};
class EACMAudioOutError : public EACMAudioIOError {
public:
  using EACMAudioIOError::EACMAudioIOError;
};
class EACMDeviceError : public EACMError {
public:
  using EACMError::EACMError;
};
class EACMDeviceOutError : public EACMDeviceError {
public:
  using EACMDeviceError::EACMDeviceError;
};

// The fixed English text for a multimedia or ACM result code, the prefix (CR LF appended when
// not empty) in front.
std::string ACMErrorText(MMRESULT code, const std::string& prefix);

// Raises E with ACMErrorText when code is not 0.
template <class E = EACMError>
void ACMRaiseError(MMRESULT code, const std::string& prefix = "") {
  if (code != 0) throw E(ACMErrorText(code, prefix));
}

// Texts shared by the audio components.
extern const char* const SActive;          // "Cannot perform this action while active."
extern const char* const SNotActive;       // "Cannot perform this action while not active."
extern const char* const SFormatTooSmall;  // "The wave format buffer is too small."

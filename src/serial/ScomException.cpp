#include "ScomException.h"
#include "Component.h"
#include "ScomSystem.h"
#include <windows.h>
#include <cstdlib>
#include <string>

namespace {
constexpr size_t kMaxMessage = 255;

std::string SystemMessage(DWORD code) {
  char buffer[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 255, nullptr);
  if (n == 0) return "";
  std::string text(buffer, n);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  for (size_t i; (i = text.find("  ")) != std::string::npos;) text.erase(i, 1);
  return text;
}

template <class E>
[[noreturn]] void Raise(int code) {
  throw E(code);
}

using Raiser = void (*)(int);

struct CodeClass {
  int code;
  Raiser raise;
};

#define C(code, Name) {code, &Raise<Name>},
const CodeClass kClasses[] = {
  C(-1002, EBadArgument) C(-1003, EGotQuitMsg) C(-1004, EBufferTooBig) C(-1005, EPortNotAssigned)
  C(-1006, EInternal) C(-1007, EModemNotAssigned) C(-1008, EPhonebookNotAssigned)
  C(-1009, ECannotUseWithWinSock)
  C(-2001, EBadId) C(-2002, EBaudRate) C(-2003, EByteSize) C(-2004, EDefault) C(-2005, EHardware)
  C(-2006, EMemory) C(-2007, ECommNotOpen) C(-2008, EAlreadyOpen) C(-2009, ENoHandles)
  C(-2010, ENoTimers) C(-2011, ENoPortSelected) C(-2012, ENotOpenedByTapi)
  C(-3001, ENullApi) C(-3003, ERegisterHandlerFailed) C(-3004, EPutBlockFail) C(-3005, EGetBlockFail)
  C(-3006, EOutputBufferTooSmall) C(-3007, EBufferIsEmpty) C(-3008, ETracingNotEnabled)
  C(-3009, ELoggingNotEnabled) C(-3010, EBaseAddressNotSet)
  C(-4001, EModemNotStarted) C(-4002, EModemBusy) C(-4003, EModemNotDialing) C(-4004, ENotDialing)
  C(-4005, EAlreadyDialing) C(-4006, EModemNotResponding) C(-4007, EModemRejectedCommand)
  C(-4008, EModemStatusMismatch)
  C(-5001, ENoMoreTriggers) C(-5002, ETriggerTooLong) C(-5003, EBadTriggerHandle)
  C(-6006, EProtocol) C(-6008, EProtocol) C(-6009, EProtocol)
  C(-7001, EKeyTooLong) C(-7002, EDataTooLarge) C(-7003, EInternal) C(-7004, EIniWrite)
  C(-7005, EIniRead) C(-7006, EInternal) C(-7007, ERecordExists) C(-7008, ERecordNotFound)
  C(-7010, EDatabaseFull) C(-7011, EDatabaseEmpty) C(-7012, EInternal) C(-7013, EBadFieldList)
  C(-7014, EBadFieldForIndex)
  C(-8001, EFaxBadFormat) C(-8002, EBadGraphicsFormat) C(-8003, EConvertAbort) C(-8004, EUnpackAbort)
  C(-8005, ECantMakeBitmap) C(-8053, EInvalidPageNumber) C(-8060, EFaxBadMachine)
  C(-8061, EFaxBadModemResult) C(-8062, EFaxTrainError) C(-8063, EFaxInitError) C(-8064, EFaxBusy)
  C(-8065, EFaxVoiceCall) C(-8066, EFaxDataCall) C(-8067, EFaxNoDialTone) C(-8068, EFaxNoCarrier)
  C(-8069, EFaxSessionError) C(-8070, EFaxPageError)
  C(-13928, ETapiBusy) C(-13929, ETapiNotSet) C(-13930, ETapiNoSelect) C(-13931, ETapiLoadFail)
  C(-13932, ETapiGetAddrFail) C(-13935, ETapiVoiceNotSupported) C(-13936, ETapiWaveFail)
  C(-13942, ETapiTranslateFail) C(-13980, ERasLoadFail)
};
#undef C

// -13801..-13886 without -13804 and -13849, in this order.
#define T(Name) &Raise<Name>,
const Raiser kTapi[] = {SCOM_TAPI_EXCEPTIONS(T)};
#undef T

Raiser TapiRaiser(int code) {
  int n = -code;
  if (n < 13801 || n > 13886 || n == 13804 || n == 13849) return nullptr;
  int index = n - 13801;
  if (n > 13804) --index;
  if (n > 13849) --index;
  return index < static_cast<int>(std::size(kTapi)) ? kTapi[index] : nullptr;
}
}

std::string ErrorMsg(int code) {
  unsigned n = static_cast<unsigned>(std::abs(static_cast<long long>(code)));
  std::string text;
  if (const TScomStringResource* table = ScomErrorStrings()) text = table->GetString(n);
  if (text.size() > kMaxMessage) text.resize(kMaxMessage);
  if (text.empty()) text = SystemMessage(n);
  if (text.size() > kMaxMessage) text.resize(kMaxMessage);
  return text;
}

EScomException::EScomException(int code) : Exception(ErrorMsg(code)), ErrorCode(code) {}

void CheckException(const TComponent* component, int code) {
  if (code >= 0) return;
  if (component && component->Loading()) return;
  if (code <= -2 && code >= -162) {
    if (code == ecOutOfMemory) throw EOutOfMemory();
    throw EInOutError(ErrorMsg(code), -code);
  }
  for (const auto& c : kClasses)
    if (c.code == code) c.raise(code);
  if (Raiser r = TapiRaiser(code)) r(code);
  // A code of no class: the system's text for it, so that the reason is never lost.
  std::string text = ErrorMsg(code);
  throw EScomException::CreateUnknown(text.empty() ? "Scom exception " + std::to_string(code) : text);
}

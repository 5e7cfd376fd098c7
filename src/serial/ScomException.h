#pragma once
#include "Exception.h"
#include <string>

class TComponent;

// Every failure of the serial link is a negative result code; 0 is success.
enum : int {
  ecOK = 0,
  ecOutOfMemory = -8,
  ecBadArgument = -1002,
  ecBadId = -2001,
  ecAlreadyOpen = -2008,
  ecNotOpen = -2007,
  ecNoPortSelected = -2011,
  ecNullApi = -3001,
  ecPutBlockFail = -3004,
  ecOutputBufferTooSmall = -3006,
  ecBufferIsEmpty = -3007,
  ecBaseAddressNotSet = -3010,
};

// The message of |code| from the error table, else the system's text for error |code| (control
// characters made blanks, no double blanks); at most 255 characters; empty when neither exists.
std::string ErrorMsg(int code);

class EScomException : public Exception {
public:
  explicit EScomException(int code);
  struct Unknown {};
  EScomException(Unknown, const std::string& text) : Exception(text), ErrorCode(0) {}
  static EScomException CreateUnknown(const std::string& text) { return {Unknown{}, text}; }
  int ErrorCode;
};

#define SCOM_EXCEPTION(Name, Base) \
  class Name : public Base {       \
  public:                          \
    using Base::Base;              \
  };

SCOM_EXCEPTION(EGeneral, EScomException)
SCOM_EXCEPTION(EOpenComm, EScomException)
SCOM_EXCEPTION(ESerialIO, EScomException)
SCOM_EXCEPTION(EModem, EScomException)
SCOM_EXCEPTION(ETrigger, EScomException)
SCOM_EXCEPTION(EProtocol, EScomException)
SCOM_EXCEPTION(EINI, EScomException)
SCOM_EXCEPTION(EFax, EScomException)
SCOM_EXCEPTION(ETapi, EScomException)
SCOM_EXCEPTION(ERas, EScomException)

SCOM_EXCEPTION(EBadArgument, EGeneral)
SCOM_EXCEPTION(EGotQuitMsg, EGeneral)
SCOM_EXCEPTION(EBufferTooBig, EGeneral)
SCOM_EXCEPTION(EPortNotAssigned, EGeneral)
SCOM_EXCEPTION(EInternal, EGeneral)
SCOM_EXCEPTION(EModemNotAssigned, EGeneral)
SCOM_EXCEPTION(EPhonebookNotAssigned, EGeneral)
SCOM_EXCEPTION(ECannotUseWithWinSock, EGeneral)

SCOM_EXCEPTION(EBadId, EOpenComm)
SCOM_EXCEPTION(EBaudRate, EOpenComm)
SCOM_EXCEPTION(EByteSize, EOpenComm)
SCOM_EXCEPTION(EDefault, EOpenComm)
SCOM_EXCEPTION(EHardware, EOpenComm)
SCOM_EXCEPTION(EMemory, EOpenComm)
SCOM_EXCEPTION(ECommNotOpen, EOpenComm)
SCOM_EXCEPTION(EAlreadyOpen, EOpenComm)
SCOM_EXCEPTION(ENoHandles, EOpenComm)
SCOM_EXCEPTION(ENoTimers, EOpenComm)
SCOM_EXCEPTION(ENoPortSelected, EOpenComm)
SCOM_EXCEPTION(ENotOpenedByTapi, EOpenComm)

SCOM_EXCEPTION(ENullApi, ESerialIO)
SCOM_EXCEPTION(ERegisterHandlerFailed, ESerialIO)
SCOM_EXCEPTION(EPutBlockFail, ESerialIO)
SCOM_EXCEPTION(EGetBlockFail, ESerialIO)
SCOM_EXCEPTION(EOutputBufferTooSmall, ESerialIO)
SCOM_EXCEPTION(EBufferIsEmpty, ESerialIO)
SCOM_EXCEPTION(ETracingNotEnabled, ESerialIO)
SCOM_EXCEPTION(ELoggingNotEnabled, ESerialIO)
SCOM_EXCEPTION(EBaseAddressNotSet, ESerialIO)

SCOM_EXCEPTION(EModemNotStarted, EModem)
SCOM_EXCEPTION(EModemBusy, EModem)
SCOM_EXCEPTION(EModemNotDialing, EModem)
SCOM_EXCEPTION(ENotDialing, EModem)
SCOM_EXCEPTION(EAlreadyDialing, EModem)
SCOM_EXCEPTION(EModemNotResponding, EModem)
SCOM_EXCEPTION(EModemRejectedCommand, EModem)
SCOM_EXCEPTION(EModemStatusMismatch, EModem)

SCOM_EXCEPTION(ENoMoreTriggers, ETrigger)
SCOM_EXCEPTION(ETriggerTooLong, ETrigger)
SCOM_EXCEPTION(EBadTriggerHandle, ETrigger)

SCOM_EXCEPTION(EKeyTooLong, EINI)
SCOM_EXCEPTION(EDataTooLarge, EINI)
SCOM_EXCEPTION(EIniWrite, EINI)
SCOM_EXCEPTION(EIniRead, EINI)
SCOM_EXCEPTION(ERecordExists, EINI)
SCOM_EXCEPTION(ERecordNotFound, EINI)
SCOM_EXCEPTION(EDatabaseFull, EINI)
SCOM_EXCEPTION(EDatabaseEmpty, EINI)
SCOM_EXCEPTION(EBadFieldList, EINI)
SCOM_EXCEPTION(EBadFieldForIndex, EINI)

SCOM_EXCEPTION(EFaxBadFormat, EFax)
SCOM_EXCEPTION(EBadGraphicsFormat, EFax)
SCOM_EXCEPTION(EConvertAbort, EFax)
SCOM_EXCEPTION(EUnpackAbort, EFax)
SCOM_EXCEPTION(ECantMakeBitmap, EFax)
SCOM_EXCEPTION(EInvalidPageNumber, EFax)
SCOM_EXCEPTION(EFaxBadMachine, EFax)
SCOM_EXCEPTION(EFaxBadModemResult, EFax)
SCOM_EXCEPTION(EFaxTrainError, EFax)
SCOM_EXCEPTION(EFaxInitError, EFax)
SCOM_EXCEPTION(EFaxBusy, EFax)
SCOM_EXCEPTION(EFaxVoiceCall, EFax)
SCOM_EXCEPTION(EFaxDataCall, EFax)
SCOM_EXCEPTION(EFaxNoDialTone, EFax)
SCOM_EXCEPTION(EFaxNoCarrier, EFax)
SCOM_EXCEPTION(EFaxSessionError, EFax)
SCOM_EXCEPTION(EFaxPageError, EFax)

#define SCOM_TAPI_EXCEPTIONS(X)                                                                   \
  X(ETapiAllocated) X(ETapiBadDeviceID) X(ETapiBearerModeUnavail) X(ETapiCallUnavail)             \
  X(ETapiCompletionOverrun) X(ETapiConferenceFull) X(ETapiDialBilling) X(ETapiDialDialtone)       \
  X(ETapiDialPrompt) X(ETapiDialQuiet) X(ETapiIncompatibleApiVersion)                             \
  X(ETapiIncompatibleExtVersion) X(ETapiIniFileCorrupt) X(ETapiInUse) X(ETapiInvalAddress)        \
  X(ETapiInvalAddressID) X(ETapiInvalAddressMode) X(ETapiInvalAddressState)                       \
  X(ETapiInvalAppHandle) X(ETapiInvalAppName) X(ETapiInvalBearerMode) X(ETapiInvalCallComplMode)  \
  X(ETapiInvalCallHandle) X(ETapiInvalCallParams) X(ETapiInvalCallPrivilege)                      \
  X(ETapiInvalCallSelect) X(ETapiInvalCallState) X(ETapiInvalCallStatelist) X(ETapiInvalCard)     \
  X(ETapiInvalCompletionID) X(ETapiInvalConfCallHandle) X(ETapiInvalConsultCallHandle)            \
  X(ETapiInvalCountryCode) X(ETapiInvalDeviceClass) X(ETapiInvalDeviceHandle)                     \
  X(ETapiInvalDialParams) X(ETapiInvalDigitList) X(ETapiInvalDigitMode) X(ETapiInvalDigits)       \
  X(ETapiInvalExtVersion) X(ETapiInvalGroupID) X(ETapiInvalLineHandle) X(ETapiInvalLineState)     \
  X(ETapiInvalLocation) X(ETapiInvalMediaList) X(ETapiInvalMediaMode) X(ETapiInvalMessageID)      \
  X(ETapiInvalParam) X(ETapiInvalParkID) X(ETapiInvalParkMode) X(ETapiInvalPointer)               \
  X(ETapiInvalPrivSelect) X(ETapiInvalRate) X(ETapiInvalRequestMode) X(ETapiInvalTerminalID)      \
  X(ETapiInvalTerminalMode) X(ETapiInvalTimeout) X(ETapiInvalTone) X(ETapiInvalToneList)          \
  X(ETapiInvalToneMode) X(ETapiInvalTransferMode) X(ETapiLineMapperFailed) X(ETapiNoConference)   \
  X(ETapiNoDevice) X(ETapiNoDriver) X(ETapiNoMem) X(ETapiNoRequest) X(ETapiNotOwner)              \
  X(ETapiNotRegistered) X(ETapiOperationFailed) X(ETapiOperationUnavail) X(ETapiRateUnavail)      \
  X(ETapiResourceUnavail) X(ETapiRequestOverrun) X(ETapiStructureTooSmall)                        \
  X(ETapiTargetNotFound) X(ETapiTargetSelf) X(ETapiUninitialized) X(ETapiUserUserInfoTooBig)      \
  X(ETapiReinit) X(ETapiAddressBlocked) X(ETapiBillingRejected) X(ETapiInvalFeature)              \
  X(ETapiNoMultipleInstance)

#define SCOM_TAPI_CLASS(Name) SCOM_EXCEPTION(Name, ETapi)
SCOM_TAPI_EXCEPTIONS(SCOM_TAPI_CLASS)
#undef SCOM_TAPI_CLASS

SCOM_EXCEPTION(ETapiBusy, ETapi)
SCOM_EXCEPTION(ETapiNotSet, ETapi)
SCOM_EXCEPTION(ETapiNoSelect, ETapi)
SCOM_EXCEPTION(ETapiLoadFail, ETapi)
SCOM_EXCEPTION(ETapiGetAddrFail, ETapi)
SCOM_EXCEPTION(ETapiVoiceNotSupported, ETapi)
SCOM_EXCEPTION(ETapiWaveFail, ETapi)
SCOM_EXCEPTION(ETapiTranslateFail, ETapi)
SCOM_EXCEPTION(ERasLoadFail, ERas)

// Raises the exception of a negative code; nothing for code >= 0 or while component (may be
// null) is being loaded.
void CheckException(const TComponent* component, int code);

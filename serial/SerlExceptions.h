// SPDX-License-Identifier: MIT
// Exceptions of the serial layer and the error check that raises them.
//
// Tree: ESerlException (std::runtime_error) has ten group classes; every
// specific class derives from one group, so callers can catch a whole group
// (EOpenComm, ESerialIO, ...) or one case (EBadId, EBufferIsEmpty, ...).
// Telephony errors have no specific classes: the codes are not paired with
// names, so they raise ETapi itself, carrying the code.
//
// Two failures are not ESerlExceptions, as the runtime raises them for file
// and device I/O: EInOutError (std::runtime_error) and EOutOfMemory, which
// derives from std::bad_alloc so that a plain `catch (std::bad_alloc&)` sees
// it; catch std::exception to see everything this header throws.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

namespace canalarm::serl {

class ESerlException : public std::runtime_error {
 public:
  // Message for the code's magnitude (ErrorMessage); ErrorCode() and
  // SourceCode() are the code.
  explicit ESerlException(int code);
  // Given message, ErrorCode() 0. sourceCode is the checked code that led here,
  // 0 when there was none.
  explicit ESerlException(const std::string& message, int sourceCode = 0);

  int ErrorCode() const noexcept { return code_; }
  // The code handed to CheckSerlError, also when ErrorCode() is 0 because the
  // code has no class of its own (a system error number such as
  // -sysPermissionDenied). Pass it to ErrorMessage for a readable text.
  int SourceCode() const noexcept { return sourceCode_; }

 private:
  int code_ = 0;
  int sourceCode_ = 0;
};

#define CANALARM_SERL_EXCEPTION(Name, Base) \
  class Name : public Base {                \
   public:                                  \
    using Base::Base;                       \
  }

CANALARM_SERL_EXCEPTION(EGeneral, ESerlException);
CANALARM_SERL_EXCEPTION(EOpenComm, ESerlException);
CANALARM_SERL_EXCEPTION(ESerialIO, ESerlException);
CANALARM_SERL_EXCEPTION(EModem, ESerlException);
CANALARM_SERL_EXCEPTION(ETrigger, ESerlException);
CANALARM_SERL_EXCEPTION(EProtocol, ESerlException);
CANALARM_SERL_EXCEPTION(EINI, ESerlException);
CANALARM_SERL_EXCEPTION(EFax, ESerlException);
CANALARM_SERL_EXCEPTION(ETapi, ESerlException);
CANALARM_SERL_EXCEPTION(ERas, ESerlException);

CANALARM_SERL_EXCEPTION(EBadArgument, EGeneral);
CANALARM_SERL_EXCEPTION(EGotQuitMsg, EGeneral);
CANALARM_SERL_EXCEPTION(EBufferTooBig, EGeneral);
CANALARM_SERL_EXCEPTION(EPortNotAssigned, EGeneral);
CANALARM_SERL_EXCEPTION(EInternal, EGeneral);
CANALARM_SERL_EXCEPTION(EModemNotAssigned, EGeneral);
CANALARM_SERL_EXCEPTION(EPhonebookNotAssigned, EGeneral);
CANALARM_SERL_EXCEPTION(ECannotUseWithWinSock, EGeneral);

CANALARM_SERL_EXCEPTION(EBadId, EOpenComm);
CANALARM_SERL_EXCEPTION(EBaudRate, EOpenComm);
CANALARM_SERL_EXCEPTION(EByteSize, EOpenComm);
CANALARM_SERL_EXCEPTION(EDefault, EOpenComm);
CANALARM_SERL_EXCEPTION(EHardware, EOpenComm);
CANALARM_SERL_EXCEPTION(EMemory, EOpenComm);
CANALARM_SERL_EXCEPTION(ECommNotOpen, EOpenComm);
CANALARM_SERL_EXCEPTION(EAlreadyOpen, EOpenComm);
CANALARM_SERL_EXCEPTION(ENoHandles, EOpenComm);
CANALARM_SERL_EXCEPTION(ENoTimers, EOpenComm);
CANALARM_SERL_EXCEPTION(ENoPortSelected, EOpenComm);
CANALARM_SERL_EXCEPTION(ENotOpenedByTapi, EOpenComm);

CANALARM_SERL_EXCEPTION(ENullApi, ESerialIO);
CANALARM_SERL_EXCEPTION(ERegisterHandlerFailed, ESerialIO);
CANALARM_SERL_EXCEPTION(EPutBlockFail, ESerialIO);
CANALARM_SERL_EXCEPTION(EGetBlockFail, ESerialIO);
CANALARM_SERL_EXCEPTION(EOutputBufferTooSmall, ESerialIO);
CANALARM_SERL_EXCEPTION(EBufferIsEmpty, ESerialIO);
CANALARM_SERL_EXCEPTION(ETracingNotEnabled, ESerialIO);
CANALARM_SERL_EXCEPTION(ELoggingNotEnabled, ESerialIO);
CANALARM_SERL_EXCEPTION(EBaseAddressNotSet, ESerialIO);

CANALARM_SERL_EXCEPTION(EModemNotStarted, EModem);
CANALARM_SERL_EXCEPTION(EModemBusy, EModem);
CANALARM_SERL_EXCEPTION(EModemNotDialing, EModem);
CANALARM_SERL_EXCEPTION(EModemNotResponding, EModem);
CANALARM_SERL_EXCEPTION(EModemRejectedCommand, EModem);
CANALARM_SERL_EXCEPTION(EModemStatusMismatch, EModem);
CANALARM_SERL_EXCEPTION(EAlreadyDialing, EModem);
CANALARM_SERL_EXCEPTION(ENotDialing, EModem);

CANALARM_SERL_EXCEPTION(ENoMoreTriggers, ETrigger);
CANALARM_SERL_EXCEPTION(ETriggerTooLong, ETrigger);
CANALARM_SERL_EXCEPTION(EBadTriggerHandle, ETrigger);

CANALARM_SERL_EXCEPTION(EKeyTooLong, EINI);
CANALARM_SERL_EXCEPTION(EDataTooLarge, EINI);
CANALARM_SERL_EXCEPTION(EIniWrite, EINI);
CANALARM_SERL_EXCEPTION(EIniRead, EINI);
CANALARM_SERL_EXCEPTION(ERecordExists, EINI);
CANALARM_SERL_EXCEPTION(ERecordNotFound, EINI);
CANALARM_SERL_EXCEPTION(EDatabaseFull, EINI);
CANALARM_SERL_EXCEPTION(EDatabaseEmpty, EINI);
CANALARM_SERL_EXCEPTION(EBadFieldList, EINI);
CANALARM_SERL_EXCEPTION(EBadFieldForIndex, EINI);

CANALARM_SERL_EXCEPTION(EFaxBadFormat, EFax);
CANALARM_SERL_EXCEPTION(EBadGraphicsFormat, EFax);
CANALARM_SERL_EXCEPTION(EConvertAbort, EFax);
CANALARM_SERL_EXCEPTION(EUnpackAbort, EFax);
CANALARM_SERL_EXCEPTION(ECantMakeBitmap, EFax);
CANALARM_SERL_EXCEPTION(EInvalidPageNumber, EFax);
CANALARM_SERL_EXCEPTION(EFaxBadMachine, EFax);
CANALARM_SERL_EXCEPTION(EFaxBadModemResult, EFax);
CANALARM_SERL_EXCEPTION(EFaxTrainError, EFax);
CANALARM_SERL_EXCEPTION(EFaxInitError, EFax);
CANALARM_SERL_EXCEPTION(EFaxBusy, EFax);
CANALARM_SERL_EXCEPTION(EFaxVoiceCall, EFax);
CANALARM_SERL_EXCEPTION(EFaxDataCall, EFax);
CANALARM_SERL_EXCEPTION(EFaxNoDialTone, EFax);
CANALARM_SERL_EXCEPTION(EFaxNoCarrier, EFax);
CANALARM_SERL_EXCEPTION(EFaxSessionError, EFax);
CANALARM_SERL_EXCEPTION(EFaxPageError, EFax);

CANALARM_SERL_EXCEPTION(ERasLoadFail, ERas);

#undef CANALARM_SERL_EXCEPTION

// File or device I/O failure, as the runtime reports it.
class EInOutError : public std::runtime_error {
 public:
  // errorCode: the system error number (the magnitude of the failed code).
  EInOutError(const std::string& message, int errorCode)
      : std::runtime_error(message), errorCode_(errorCode) {}
  int ErrorCode() const noexcept { return errorCode_; }

 private:
  int errorCode_ = 0;
};

class EOutOfMemory : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "Out of memory"; }
};

// The error check at the component boundary. Returns code unchanged when it is
// 0 or positive, or when loading is true (the component is being restored from
// its stored form). Otherwise throws and does not return:
//   -8                          EOutOfMemory
//   -2 .. -162 (other)          EInOutError, message for the code, ErrorCode() = magnitude
//   a code with a class         that class, ErrorCode() = code (ETapi for telephony codes)
//   any other negative code     ESerlException("Serl exception"), ErrorCode() 0
// Every ESerlException it throws has SourceCode() = code.
int CheckSerlError(int code, bool loading = false);

}  // namespace canalarm::serl

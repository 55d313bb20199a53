// SPDX-License-Identifier: MIT
#include "serial/SerlExceptions.h"

#include "serial/SerlErrorText.h"
#include "serial/SerlErrors.h"

namespace canalarm::serl {

ESerlException::ESerlException(int code)
    : std::runtime_error(ErrorMessage(code)), code_(code), sourceCode_(code) {}

ESerlException::ESerlException(const std::string& message, int sourceCode)
    : std::runtime_error(message), sourceCode_(sourceCode) {}

namespace {

using Raiser = void (*)(int code);

template <class E>
[[noreturn]] void Raise(int code) {
  throw E(code);
}

struct ClassRow {
  int code;
  Raiser raise;
};

// Codes with a class of their own. -1001 (bad handle) and -3002 (not
// supported) have none and end up as plain ESerlException. Groups this program
// never raises are listed by number only; their constants are not worth naming.
constexpr ClassRow kClassRows[] = {
    {ecBadArgument, Raise<EBadArgument>},
    {ecGotQuitMsg, Raise<EGotQuitMsg>},
    {ecBufferTooBig, Raise<EBufferTooBig>},
    {ecPortNotAssigned, Raise<EPortNotAssigned>},
    {ecInternal, Raise<EInternal>},
    {ecModemNotAssigned, Raise<EModemNotAssigned>},
    {ecPhonebookNotAssigned, Raise<EPhonebookNotAssigned>},
    {ecCannotUseWithWinSock, Raise<ECannotUseWithWinSock>},

    {ecBadId, Raise<EBadId>},
    {ecBaudRate, Raise<EBaudRate>},
    {ecByteSize, Raise<EByteSize>},
    {ecDefault, Raise<EDefault>},
    {ecHardware, Raise<EHardware>},
    {ecMemory, Raise<EMemory>},
    {ecCommNotOpen, Raise<ECommNotOpen>},
    {ecAlreadyOpen, Raise<EAlreadyOpen>},
    {ecNoHandles, Raise<ENoHandles>},
    {ecNoTimers, Raise<ENoTimers>},
    {ecNoPortSelected, Raise<ENoPortSelected>},
    {ecNotOpenedByTapi, Raise<ENotOpenedByTapi>},

    {ecNullApi, Raise<ENullApi>},
    {ecRegisterHandlerFailed, Raise<ERegisterHandlerFailed>},
    {ecPutBlockFail, Raise<EPutBlockFail>},
    {ecGetBlockFail, Raise<EGetBlockFail>},
    {ecOutputBufferTooSmall, Raise<EOutputBufferTooSmall>},
    {ecBufferIsEmpty, Raise<EBufferIsEmpty>},
    {ecTracingNotEnabled, Raise<ETracingNotEnabled>},
    {ecLoggingNotEnabled, Raise<ELoggingNotEnabled>},
    {ecBaseAddressNotSet, Raise<EBaseAddressNotSet>},

    {-4001, Raise<EModemNotStarted>},
    {-4002, Raise<EModemBusy>},
    {-4003, Raise<EModemNotDialing>},
    {-4004, Raise<ENotDialing>},
    {-4005, Raise<EAlreadyDialing>},
    {-4006, Raise<EModemNotResponding>},
    {-4007, Raise<EModemRejectedCommand>},
    {-4008, Raise<EModemStatusMismatch>},

    {-5001, Raise<ENoMoreTriggers>},
    {-5002, Raise<ETriggerTooLong>},
    {-5003, Raise<EBadTriggerHandle>},

    {-6006, Raise<EProtocol>},
    {-6008, Raise<EProtocol>},
    {-6009, Raise<EProtocol>},

    {-7001, Raise<EKeyTooLong>},
    {-7002, Raise<EDataTooLarge>},
    {-7003, Raise<EInternal>},
    {-7004, Raise<EIniWrite>},
    {-7005, Raise<EIniRead>},
    {-7006, Raise<EInternal>},
    {-7007, Raise<ERecordExists>},
    {-7008, Raise<ERecordNotFound>},
    {-7010, Raise<EDatabaseFull>},
    {-7011, Raise<EDatabaseEmpty>},
    {-7012, Raise<EInternal>},
    {-7013, Raise<EBadFieldList>},
    {-7014, Raise<EBadFieldForIndex>},

    {-8001, Raise<EFaxBadFormat>},
    {-8002, Raise<EBadGraphicsFormat>},
    {-8003, Raise<EConvertAbort>},
    {-8004, Raise<EUnpackAbort>},
    {-8005, Raise<ECantMakeBitmap>},
    {-8053, Raise<EInvalidPageNumber>},
    {-8060, Raise<EFaxBadMachine>},
    {-8061, Raise<EFaxBadModemResult>},
    {-8062, Raise<EFaxTrainError>},
    {-8063, Raise<EFaxInitError>},
    {-8064, Raise<EFaxBusy>},
    {-8065, Raise<EFaxVoiceCall>},
    {-8066, Raise<EFaxDataCall>},
    {-8067, Raise<EFaxNoDialTone>},
    {-8068, Raise<EFaxNoCarrier>},
    {-8069, Raise<EFaxSessionError>},
    {-8070, Raise<EFaxPageError>},

    {-13980, Raise<ERasLoadFail>},
};

// Telephony codes: each would have a class of its own, but which name belongs
// to which code is not known, so they all raise ETapi with their code.
bool IsTapiCode(int code) {
  if (code <= -13801 && code >= -13886) return code != -13804 && code != -13849;
  if (code <= -13928 && code >= -13932) return true;
  return code == -13935 || code == -13936 || code == -13942;
}

}  // namespace

int CheckSerlError(int code, bool loading) {
  if (code >= 0 || loading) return code;

  if (code <= -2 && code >= -162) {
    if (code == -8) throw EOutOfMemory();
    throw EInOutError(ErrorMessage(code), -code);
  }
  for (const auto& row : kClassRows) {
    if (row.code == code) row.raise(code);
  }
  if (IsTapiCode(code)) throw ETapi(code);
  // No class of its own. The error code is 0 by contract, which loses the
  // reason (e.g. permission denied); SourceCode() keeps it.
  throw ESerlException("Serl exception", code);
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// Error codes of the serial layer.
//
// Inside the serial layer every operation returns a signed code: 0 is success,
// a positive value is a count, a negative value is an error. An error is either
// a negated system error number (the Win32 numbering, also on POSIX, where the
// back end translates errno) or one of the layer's own codes below. The error
// check at the component boundary (SerlExceptions.h) turns a negative code into
// an exception.
#pragma once

namespace canalarm::serl {

inline constexpr int ecOK = 0;

// System error numbers, Win32 numbering. The POSIX back end produces these.
inline constexpr int sysInvalidFunction = 1;    // driver lacks the operation
inline constexpr int sysFileNotFound = 2;
inline constexpr int sysPathNotFound = 3;
inline constexpr int sysAccessDenied = 5;       // held by another program
inline constexpr int sysInvalidHandle = 6;
inline constexpr int sysGenFailure = 31;        // device went away (read/write)
inline constexpr int sysInvalidParameter = 87;
inline constexpr int sysOperationAborted = 995;
inline constexpr int sysIoDevice = 1117;        // I/O error reported by the driver
inline constexpr int sysDeviceNotConnected = 1167;
// Permission denied by the file system (not in the device's group). Win32 folds
// this into 5; we keep it apart so that callers can say how to get access. The
// number carries the customer bit (bit 29) that marks application-defined codes.
inline constexpr int sysPermissionDenied = 0x20000005;

// General.
inline constexpr int ecBadHandle = -1001;
inline constexpr int ecBadArgument = -1002;
inline constexpr int ecGotQuitMsg = -1003;
inline constexpr int ecBufferTooBig = -1004;
inline constexpr int ecPortNotAssigned = -1005;
inline constexpr int ecInternal = -1006;
inline constexpr int ecModemNotAssigned = -1007;
inline constexpr int ecPhonebookNotAssigned = -1008;
inline constexpr int ecCannotUseWithWinSock = -1009;

// Opening a port.
inline constexpr int ecBadId = -2001;
inline constexpr int ecBaudRate = -2002;
inline constexpr int ecByteSize = -2003;
inline constexpr int ecDefault = -2004;
inline constexpr int ecHardware = -2005;
inline constexpr int ecMemory = -2006;
inline constexpr int ecCommNotOpen = -2007;
inline constexpr int ecAlreadyOpen = -2008;
inline constexpr int ecNoHandles = -2009;
inline constexpr int ecNoTimers = -2010;
inline constexpr int ecNoPortSelected = -2011;
inline constexpr int ecNotOpenedByTapi = -2012;

// Serial I/O.
inline constexpr int ecNullApi = -3001;
inline constexpr int ecNotSupported = -3002;
inline constexpr int ecRegisterHandlerFailed = -3003;
inline constexpr int ecPutBlockFail = -3004;
inline constexpr int ecGetBlockFail = -3005;
inline constexpr int ecOutputBufferTooSmall = -3006;
inline constexpr int ecBufferIsEmpty = -3007;
inline constexpr int ecTracingNotEnabled = -3008;
inline constexpr int ecLoggingNotEnabled = -3009;
inline constexpr int ecBaseAddressNotSet = -3010;

}  // namespace canalarm::serl

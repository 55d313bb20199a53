// SPDX-License-Identifier: MIT
#include "serial/TSerlWin32Dispatcher.h"

#include "serial/SerlPortPaths.h"

namespace canalarm::serl {

namespace {

BYTE ToDriverStopBits(std::uint8_t code) {
  return code == kOne5StopBits ? ONE5STOPBITS : (code == kTwoStopBits ? TWOSTOPBITS : ONESTOPBIT);
}

DWORD ToDriverControl(TLineControl control, DWORD handshake) {
  switch (control) {
    case TLineControl::Disable: return 0;  // DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE
    case TLineControl::Enable: return 1;   // ..._ENABLE
    case TLineControl::Handshake: return handshake;
  }
  return 0;
}

TLineControl FromDriverControl(DWORD value) {
  switch (value) {
    case 0: return TLineControl::Disable;
    case 1: return TLineControl::Enable;
    default: return TLineControl::Handshake;
  }
}

}  // namespace

std::string Win32DeviceName(std::string_view path) {
  const int n = ParseComPortPath(path);
  return n > 0 ? ComPortPath(n) : std::string(path);
}

bool IsDeviceGoneError(DWORD error) noexcept {
  switch (error) {
    case ERROR_GEN_FAILURE:           // 31: a USB adapter pulled out
    case ERROR_NOT_READY:             // 21: the line hung up (Wine on a terminal)
    case ERROR_BAD_COMMAND:           // 22: the driver no longer knows the device
    case 433:                         // ERROR_NO_SUCH_DEVICE
    case ERROR_IO_DEVICE:             // 1117: I/O error below the driver
    case ERROR_DEVICE_NOT_CONNECTED:  // 1167
    case ERROR_DEVICE_REMOVED:        // 1617
      return true;
    default:
      return false;
  }
}

TSerlWin32Dispatcher::~TSerlWin32Dispatcher() {
  Destroy();
  if (device_ != INVALID_HANDLE_VALUE) DevClose();
}

int TSerlWin32Dispatcher::Fail() { return Fail(::GetLastError()); }

int TSerlWin32Dispatcher::Fail(DWORD error) {
  if (IsDeviceGoneError(error)) {
    lost_ = -sysDeviceNotConnected;
    return lost_;
  }
  return -static_cast<int>(error == 0 ? sysGenFailure : error);
}

void TSerlWin32Dispatcher::CloseEvents() noexcept {
  for (HANDLE* event : {&readEvent_, &writeEvent_, &waitEvent_}) {
    if (*event != nullptr) ::CloseHandle(*event);
    *event = nullptr;
  }
}

int TSerlWin32Dispatcher::DevOpen(std::string_view path) {
  if (device_ != INVALID_HANDLE_VALUE) return -sysAccessDenied;
  const std::string name = Win32DeviceName(path);
  HANDLE device = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return -static_cast<int>(error == 0 ? sysGenFailure : error);
  }
  // A name can open as a device that is not a serial port (Wine does that
  // for a COM number it knows but has no device for): that is no port.
  DCB probe{};
  probe.DCBlength = sizeof probe;
  if (!::GetCommState(device, &probe) && ::GetLastError() == ERROR_INVALID_FUNCTION) {
    ::CloseHandle(device);
    return -sysFileNotFound;
  }
  readEvent_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  writeEvent_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  waitEvent_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (readEvent_ == nullptr || writeEvent_ == nullptr || waitEvent_ == nullptr) {
    CloseEvents();
    ::CloseHandle(device);
    return -8;
  }
  device_ = device;
  lost_ = 0;
  return 0;
}

int TSerlWin32Dispatcher::DevClose() {
  if (device_ == INVALID_HANDLE_VALUE) return -1;
  const BOOL closed = ::CloseHandle(device_);
  device_ = INVALID_HANDLE_VALUE;
  CloseEvents();
  return closed ? 0 : -1;
}

int TSerlWin32Dispatcher::DevSetQueueSizes(int inSize, int outSize) {
  if (lost_ != 0) return lost_;
  if (!::SetupComm(device_, static_cast<DWORD>(inSize), static_cast<DWORD>(outSize))) return Fail();
  return 0;
}

int TSerlWin32Dispatcher::DevGetState(TSerlLineState& state) {
  if (lost_ != 0) return -1;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(device_, &dcb)) {
    Fail();
    return -1;
  }
  state.BaudRate = dcb.BaudRate;
  state.ByteSize = dcb.ByteSize;
  state.Parity = dcb.Parity;
  state.StopBits = dcb.StopBits == ONE5STOPBITS ? kOne5StopBits
                                                : (dcb.StopBits == TWOSTOPBITS ? kTwoStopBits : kOneStopBit);
  state.Binary = dcb.fBinary != 0;
  state.OutxCtsFlow = dcb.fOutxCtsFlow != 0;
  state.OutxDsrFlow = dcb.fOutxDsrFlow != 0;
  state.DtrControl = FromDriverControl(dcb.fDtrControl);
  state.RtsControl = FromDriverControl(dcb.fRtsControl);
  state.OutX = dcb.fOutX != 0;
  state.InX = dcb.fInX != 0;
  state.XonLim = dcb.XonLim;
  state.XoffLim = dcb.XoffLim;
  state.XonChar = dcb.XonChar;
  state.XoffChar = dcb.XoffChar;
  return 0;
}

int TSerlWin32Dispatcher::DevSetState(const TSerlLineState& state) {
  if (lost_ != 0) return lost_;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(device_, &dcb)) return Fail();
  dcb.BaudRate = state.BaudRate;
  dcb.ByteSize = state.ByteSize;
  dcb.Parity = state.Parity;
  dcb.StopBits = ToDriverStopBits(state.StopBits);
  // A plain 8-bit data line: binary, no parity check or replacement, no DSR
  // sensitivity, no null stripping, and no abort of I/O on a line error.
  dcb.fBinary = TRUE;
  dcb.fParity = state.Parity != static_cast<std::uint8_t>(TParity::pNone);
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  dcb.fOutxCtsFlow = state.OutxCtsFlow;
  dcb.fOutxDsrFlow = state.OutxDsrFlow;
  dcb.fDtrControl = ToDriverControl(state.DtrControl, DTR_CONTROL_HANDSHAKE);
  dcb.fRtsControl = ToDriverControl(state.RtsControl, RTS_CONTROL_HANDSHAKE);
  dcb.fOutX = state.OutX;
  dcb.fInX = state.InX;
  dcb.XonLim = state.XonLim;
  dcb.XoffLim = state.XoffLim;
  dcb.XonChar = state.XonChar;
  dcb.XoffChar = state.XoffChar;
  if (!::SetCommState(device_, &dcb)) return Fail();
  return 0;
}

int TSerlWin32Dispatcher::DevEscape(int function) {
  // The result is not an error: a line without modem controls still carries
  // data (and a virtual port may refuse the call outright).
  if (lost_ == 0) ::EscapeCommFunction(device_, static_cast<DWORD>(function));
  return 0;
}

int TSerlWin32Dispatcher::DevPurge(unsigned flags) {
  if (lost_ != 0) return lost_;
  if (!::PurgeComm(device_, flags)) return Fail();
  return 0;
}

int TSerlWin32Dispatcher::DevClearError(std::uint32_t& errors, TSerlQueueStatus& status) {
  errors = 0;
  if (lost_ != 0) return lost_;
  DWORD driverErrors = 0;
  COMSTAT comStat{};
  if (!::ClearCommError(device_, &driverErrors, &comStat)) return Fail();
  errors = driverErrors;
  status.InQue = comStat.cbInQue;
  status.OutQue = comStat.cbOutQue;
  return 0;
}

int TSerlWin32Dispatcher::DevModemStatus(std::uint32_t& status) {
  status = 0;
  if (lost_ != 0) return lost_;
  DWORD lines = 0;
  if (!::GetCommModemStatus(device_, &lines)) return Fail();
  status = lines & (msCts | msDsr | msRing | msRlsd);
  return 0;
}

int TSerlWin32Dispatcher::DevSetEventMask(std::uint32_t mask) {
  if (device_ == INVALID_HANDLE_VALUE) return 0;
  eventMask_ = mask;
  if (!::SetCommMask(device_, mask)) return Fail();
  return 0;
}

int TSerlWin32Dispatcher::DevSetTimeouts() {
  if (lost_ != 0) return lost_;
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (!::SetCommTimeouts(device_, &timeouts)) return Fail();
  return 0;
}

int TSerlWin32Dispatcher::DevWaitEvent(std::uint32_t& events) {
  for (;;) {
    events = 0;
    if (lost_ != 0) return lost_;
    OVERLAPPED overlapped{};
    overlapped.hEvent = waitEvent_;
    ::ResetEvent(waitEvent_);
    DWORD mask = 0;
    DWORD error = ERROR_SUCCESS;
    if (!::WaitCommEvent(device_, &mask, &overlapped)) {
      error = ::GetLastError();
      if (error == ERROR_IO_PENDING) {
        DWORD unused = 0;
        error = ::GetOverlappedResult(device_, &overlapped, &unused, TRUE) ? ERROR_SUCCESS : ::GetLastError();
      }
    }
    if (error == ERROR_OPERATION_ABORTED) {
      if (StopRequested()) return 0;
      // A driver may end waits early (Wine does, every few milliseconds):
      // bytes that came meanwhile are reported as received, else wait again.
      DWORD errors = 0;
      COMSTAT status{};
      if (::ClearCommError(device_, &errors, &status) && status.cbInQue > 0) {
        events = evRxChar;
        return 0;
      }
      continue;
    }
    const std::uint32_t current = eventMask_;
    if (error == ERROR_NOT_SUPPORTED && (current & kModemLineEvents) != 0 && !StopRequested()) {
      // A port without modem lines (Wine on a terminal, some virtual ports)
      // refuses waits for modem-line events, which it could never report
      // anyway: wait for the others.
      DevSetEventMask(current & ~kModemLineEvents);
      continue;
    }
    if (error != ERROR_SUCCESS) return Fail(error);
    events = mask;
    return 0;
  }
}

int TSerlWin32Dispatcher::DevRead(std::uint8_t* buffer, int n) {
  if (lost_ != 0) return lost_;
  OVERLAPPED overlapped{};
  overlapped.hEvent = readEvent_;
  ::ResetEvent(readEvent_);
  DWORD got = 0;
  if (::ReadFile(device_, buffer, static_cast<DWORD>(n), &got, &overlapped)) return static_cast<int>(got);
  DWORD error = ::GetLastError();
  if (error != ERROR_IO_PENDING) return Fail(error);
  if (::WaitForSingleObject(readEvent_, kReadPendingLimitMs) != WAIT_OBJECT_0) {
    // The bytes the status promised are gone (purged meanwhile): take back
    // the request, and whatever it got so far.
    ::CancelIoEx(device_, &overlapped);
  }
  if (::GetOverlappedResult(device_, &overlapped, &got, TRUE)) return static_cast<int>(got);
  error = ::GetLastError();
  if (error == ERROR_OPERATION_ABORTED) return static_cast<int>(got);
  return Fail(error);
}

int TSerlWin32Dispatcher::DevWrite(const std::uint8_t* data, int n, TSerlEvent& abort) {
  int done = 0;
  while (done < n) {
    if (lost_ != 0) return lost_;
    OVERLAPPED overlapped{};
    overlapped.hEvent = writeEvent_;
    ::ResetEvent(writeEvent_);
    DWORD written = 0;
    if (!::WriteFile(device_, data + done, static_cast<DWORD>(n - done), &written, &overlapped)) {
      DWORD error = ::GetLastError();
      if (error != ERROR_IO_PENDING) return Fail(error);
      const HANDLE pair[2] = {writeEvent_, reinterpret_cast<HANDLE>(abort.NativeHandle())};
      if (::WaitForMultipleObjects(2, pair, FALSE, INFINITE) != WAIT_OBJECT_0) {
        // Aborted (the wait took the abort signal): the record must not be
        // left to a write still in flight.
        ::CancelIoEx(device_, &overlapped);
        ::GetOverlappedResult(device_, &overlapped, &written, TRUE);
        return -sysOperationAborted;
      }
      if (!::GetOverlappedResult(device_, &overlapped, &written, FALSE)) return Fail();
    }
    if (written == 0) return Fail(ERROR_WRITE_FAULT);
    done += static_cast<int>(written);
  }
  return done;
}

}  // namespace canalarm::serl

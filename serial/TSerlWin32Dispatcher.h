// SPDX-License-Identifier: MIT
// The dispatcher's device operations on the Win32 serial driver.
//
// - Open takes "\\.\COMn" (or a device name given directly) with read and
//   write access, no sharing and overlapped I/O; the driver's own error
//   numbers are returned as they stand (2/3 no such port, 5 in use, ...);
//   a name that opens as something other than a serial device counts as no
//   such port (2).
// - Reads never wait for bytes to come: the time-outs make a read return at
//   once with what is queued, and the read step asks only for the count that
//   the status refresh reported. A read that stays pending all the same is
//   cancelled after a short wait and yields what it transferred.
// - Writes wait for completion or for the abort event; an aborted write is
//   cancelled and its completion awaited before its record is reused.
// - The event wait is an overlapped WaitCommEvent. Setting the mask to 0
//   completes it; a wait that ends as "operation aborted" is started again
//   unless the dispatcher is stopping (or bytes came meanwhile, which it then
//   reports). A port that refuses modem-line events ("not supported") is
//   waited on without them.
// - Errors that say the device has gone (an unplugged adapter) mark it lost:
//   from then on every operation returns -sysDeviceNotConnected at once.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <string>

#include "serial/SerlErrors.h"
#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

// The name CreateFileA is given for a port path: "\\.\COMn" for "COMn" in
// either spelling, anything else unchanged.
std::string Win32DeviceName(std::string_view path);

// True for the system errors with which the driver reports that the device
// has gone away.
bool IsDeviceGoneError(DWORD error) noexcept;

class TSerlWin32Dispatcher final : public TSerlBaseDispatcher {
 public:
  // Events of the modem lines: CTS, DSR, RLSD, ring, ring trailing edge.
  static constexpr std::uint32_t kModemLineEvents = evCts | evDsr | evRlsd | evRing | evRingTe;
  // How long a device read may stay pending before it is cancelled.
  static constexpr DWORD kReadPendingLimitMs = 200;

  explicit TSerlWin32Dispatcher(TSerlCustomComPort* owner) : TSerlBaseDispatcher(owner) {}
  ~TSerlWin32Dispatcher() override;

 protected:
  int DevOpen(std::string_view path) override;
  int DevClose() override;
  int DevSetQueueSizes(int inSize, int outSize) override;
  int DevGetState(TSerlLineState& state) override;
  int DevSetState(const TSerlLineState& state) override;
  int DevEscape(int function) override;
  int DevPurge(unsigned flags) override;
  int DevClearError(std::uint32_t& errors, TSerlQueueStatus& status) override;
  int DevModemStatus(std::uint32_t& status) override;
  int DevSetEventMask(std::uint32_t mask) override;
  int DevSetTimeouts() override;
  int DevWaitEvent(std::uint32_t& events) override;
  int DevRead(std::uint8_t* buffer, int n) override;
  int DevWrite(const std::uint8_t* data, int n, TSerlEvent& abort) override;
  int DevLostCode() const override { return lost_; }

 private:
  // The negated error of the last failed call; marks the device lost when
  // the error says it has gone.
  int Fail();
  int Fail(DWORD error);
  void CloseEvents() noexcept;

  HANDLE device_ = INVALID_HANDLE_VALUE;
  // One overlapped record each for reads, writes and the event wait, each
  // with its own manual-reset event.
  HANDLE readEvent_ = nullptr;
  HANDLE writeEvent_ = nullptr;
  HANDLE waitEvent_ = nullptr;
  std::atomic<std::uint32_t> eventMask_{0};
  std::atomic<int> lost_{0};
};

}  // namespace canalarm::serl

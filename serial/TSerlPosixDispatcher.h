// SPDX-License-Identifier: MIT
// The dispatcher's device operations on a POSIX terminal device (termios).
//
// - Open resolves "\\.\COMn" through the ports folder (SerlPortPaths.h) or
//   takes a device path; the device is opened non-blocking, without becoming
//   the controlling terminal, and exclusively (TIOCEXCL plus flock), so that a
//   second program or a second instance of ours is refused with
//   sysAccessDenied.
// - errno becomes the Win32 numbering of SerlErrors.h (PosixErrorToSystem).
// - Reads return at once with what is there; writes wait for the device or
//   the abort event; the event wait is poll() on the device and a wake-up
//   descriptor that setting the event mask to 0 signals.
// - A device that hangs up or fails with EIO is marked lost: the event wait
//   fails (the event thread ends), and from then on every operation returns
//   -sysDeviceNotConnected at once without touching it.
#pragma once

#include <atomic>
#include <string>

#include "serial/SerlErrors.h"
#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

// Win32 system error number for an errno. atOpen: errors that at open time
// mean "there is no device behind that name" (ENXIO, ENODEV, EIO) become
// sysFileNotFound.
int PosixErrorToSystem(int err, bool atOpen = false) noexcept;

class TSerlPosixDispatcher final : public TSerlBaseDispatcher {
 public:
  explicit TSerlPosixDispatcher(TSerlCustomComPort* owner) : TSerlBaseDispatcher(owner) {}
  ~TSerlPosixDispatcher() override;

  // The device file the last open resolved to.
  const std::string& DevicePath() const noexcept { return devicePath_; }

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
  // Records a failure; marks the device lost when errno says it has gone.
  int Fail(int err);
  void MarkLost() noexcept { lost_ = -sysDeviceNotConnected; }
  // Asks the driver to pass received bytes on at once (a USB adapter's
  // latency timer to 1 ms) while the port is open; the close undoes it.
  void SetLowLatency() noexcept;
  void RestoreLatency() noexcept;

  int fd_ = -1;
  int wakeFd_ = -1;
  std::string devicePath_;
  std::atomic<std::uint32_t> eventMask_{0};
  std::atomic<int> lost_{0};
  bool lowLatencySet_ = false;  // by us, so the close clears it again
  // Line-state fields that termios does not hold.
  TLineControl dtrControl_ = TLineControl::Enable;
  TLineControl rtsControl_ = TLineControl::Enable;
  std::uint16_t xonLim_ = 0;
  std::uint16_t xoffLim_ = 0;
};

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// What the bootloader link needs of a serial port.
//
// The link steps use nothing else. The main implementation wraps the serial
// port component; tests use a scripted fake.
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace canalarm {

// Which port to open: COMn, or a device path given directly.
struct PortChoice {
  int comNumber = 1;
  std::string devicePath;  // when not empty, used instead of comNumber
  int baud = 9600;

  // "COM3" or the device path, for messages.
  std::string Name() const {
    return devicePath.empty() ? "COM" + std::to_string(comNumber) : devicePath;
  }
};

// Why a port could not be opened, as far as the port can tell.
enum class PortOpenReason {
  Other,             // the message says what the system said
  NoDevice,          // nothing of that name: no link, a link to nothing, an unplugged adapter
  InUse,             // another program holds it
  PermissionDenied,  // this user may not open it
};

// The port can't be opened. The message names the port (and its device)
// and says why in words, e.g. "COM7 (/dev/ttyUSB0): in use by another
// program"; Code() is the serial layer's code behind it, 0 when there is none.
class PortOpenError : public std::runtime_error {
 public:
  PortOpenError(const std::string& message, PortOpenReason reason, int code = 0)
      : std::runtime_error(message), reason_(reason), code_(code) {}
  PortOpenReason Reason() const { return reason_; }
  int Code() const { return code_; }

 private:
  PortOpenReason reason_;
  int code_;
};

class LinkPort {
 public:
  virtual ~LinkPort() = default;

  // Selects port and speed for the next open (ComNumber, Baud).
  virtual void Select(const PortChoice& choice) = 0;
  // Opens the port with the selected settings; a port that is open already
  // stays open (an earlier operation may have left it so). Throws when the
  // port can't be opened, PortOpenError when it knows why.
  virtual void Open() = 0;
  // Closes the port; queued output that has not left is discarded.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual void SetRts(bool on) = 0;
  // Discards every received byte not yet read.
  virtual void ClearInput() = 0;
  // Queues one byte for sending; returns at once.
  virtual void WriteByte(std::uint8_t byte) = 0;
  // True when at least one received byte waits to be read.
  virtual bool ByteAvailable() = 0;
  // Removes and returns the next received byte; only after ByteAvailable().
  virtual std::uint8_t ReadByte() = 0;

  // Waits until every queued byte has left the port, at most `limit`.
  // Returns whether it did. Used before closing after the reset command, so
  // that the reset reaches the module.
  virtual bool DrainOutput(std::chrono::milliseconds limit) = 0;

  // Blocks until a received byte is available or `deadline` passes; returns
  // at once when a byte is there already. Lets a waiting host sleep instead
  // of polling.
  virtual void WaitForInput(std::chrono::steady_clock::time_point deadline) = 0;

  // A handle that signals received bytes, for a host's event loop to watch:
  // a descriptor that turns readable (POSIX) or an event that is set
  // (Windows); -1 when there is none (then the host looks again after a
  // short while). Once it fired, the host calls TakeInputNotify(), which
  // quiets it until more bytes come.
  virtual std::intptr_t InputNotifyHandle() const { return -1; }
  virtual void TakeInputNotify() {}
};

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The link's port over the serial port component.
#pragma once

#include "link/LinkPort.h"
#include "serial/TSerlComPort.h"

namespace canalarm {

class SerialLinkPort : public LinkPort {
 public:
  // The component is configured for the link: no port prompt, no automatic
  // open by an operation on a closed port.
  explicit SerialLinkPort(serl::TSerlComPort& port);

  serl::TSerlComPort& Component() { return port_; }

  void Select(const PortChoice& choice) override;
  // Throws PortOpenError with a message that names the port and says why in
  // words; the serial layer's own text only when it has no words for it.
  void Open() override;
  void Close() override;
  bool IsOpen() const override;
  void SetRts(bool on) override;
  // The byte operations and the wait raise the serial layer's ESerialIO
  // (SourceCode() -sysDeviceNotConnected) once the device has gone away, a
  // wait as soon as it goes; the port is closed before the error leaves.
  void ClearInput() override;
  void WriteByte(std::uint8_t byte) override;
  bool ByteAvailable() override;
  std::uint8_t ReadByte() override;
  bool DrainOutput(std::chrono::milliseconds limit) override;
  void WaitForInput(std::chrono::steady_clock::time_point deadline) override;
  std::intptr_t InputNotifyHandle() const override;
  void TakeInputNotify() override;

 private:
  // Runs a port operation; closes the port when it says the device is lost.
  template <typename Operation>
  auto ClosingWhenLost(Operation operation) -> decltype(operation());

  serl::TSerlComPort& port_;
  std::string portName_;
};

}  // namespace canalarm

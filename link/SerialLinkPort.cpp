// SPDX-License-Identifier: MIT
#include "link/SerialLinkPort.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <thread>

#include "serial/SerlErrorText.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlPortPaths.h"

namespace canalarm {

namespace {
constexpr std::chrono::milliseconds kDrainPoll{2};

// The target of the ports folder's link comN, absolute; empty without a link.
std::string FolderLinkTarget(int comNumber) {
  const std::filesystem::path entry = serl::PortsFolder() / ("com" + std::to_string(comNumber));
  std::error_code ec;
  std::filesystem::path target = std::filesystem::read_symlink(entry, ec);
  if (ec) return {};
  if (target.is_relative()) target = entry.parent_path() / target;
  return target.lexically_normal().string();
}
}  // namespace

SerialLinkPort::SerialLinkPort(serl::TSerlComPort& port) : port_(port) {
  port_.SetPromptForPort(false);
  port_.SetAutoOpen(false);
}

void SerialLinkPort::Select(const PortChoice& choice) {
  if (choice.devicePath.empty()) {
    port_.SetDevicePath("");
    port_.SetComNumber(static_cast<std::uint16_t>(choice.comNumber));
  } else {
    port_.SetDevicePath(choice.devicePath);
  }
  port_.SetBaud(choice.baud);
  portName_ = choice.Name();
}

void SerialLinkPort::Open() {
  const auto fail = [this](const std::string& why, PortOpenReason reason, int code) {
    std::string device = port_.DevicePath();
    if (device.empty()) {
      device = serl::ResolveDevicePath(serl::ComPortPath(port_.ComNumber()));
      // A link to nothing still says where COMn should lead: an adapter
      // that is not plugged in, say.
      if (device.empty()) device = FolderLinkTarget(port_.ComNumber());
    }
    const bool showDevice = !device.empty() && device != portName_;
    throw PortOpenError(portName_ + (showDevice ? " (" + device + ")" : "") + ": " + why, reason, code);
  };
  // The cases a fitter meets are said in the window's words; the serial
  // layer's texts ("ie_BadId - ...") name its internals.
  try {
    port_.SetOpen(true);
  } catch (const serl::EAlreadyOpen& e) {
    fail("in use by another program", PortOpenReason::InUse, e.ErrorCode());
  } catch (const serl::EBadId& e) {
    fail("no such device", PortOpenReason::NoDevice, e.ErrorCode());
  } catch (const serl::ESerlException& e) {
    // Codes without a class of their own come as a bare "Serl exception";
    // the code they came from says more (permission denied, for one).
    const bool bare = e.ErrorCode() == 0 && e.SourceCode() != 0;
    if (bare && e.SourceCode() == -serl::sysPermissionDenied)
      fail("permission denied", PortOpenReason::PermissionDenied, e.SourceCode());
    const std::string why = bare ? serl::ErrorMessage(e.SourceCode()) : std::string(e.what());
    fail(why.empty() ? e.what() : why, PortOpenReason::Other, bare ? e.SourceCode() : e.ErrorCode());
  } catch (const serl::EInOutError& e) {
    fail(e.what(), PortOpenReason::Other, -e.ErrorCode());
  }
}

void SerialLinkPort::Close() { port_.SetOpen(false); }

bool SerialLinkPort::IsOpen() const { return port_.Open(); }

void SerialLinkPort::SetRts(bool on) { port_.SetRTS(on); }

template <typename Operation>
auto SerialLinkPort::ClosingWhenLost(Operation operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const serl::ESerlException& e) {
    // The device has gone: let go of it at once, so that an adapter plugged
    // back in gets its old name again and the next open starts afresh.
    if (e.SourceCode() == -serl::sysDeviceNotConnected) {
      try {
        port_.SetOpen(false);
      } catch (const std::exception&) {
        // The device is gone anyway; its loss is what the caller must hear.
      }
    }
    throw;
  }
}

void SerialLinkPort::ClearInput() {
  ClosingWhenLost([this] { port_.ClearInput(); });
}

void SerialLinkPort::WriteByte(std::uint8_t byte) {
  ClosingWhenLost([this, byte] { port_.WriteByte(byte); });
}

bool SerialLinkPort::ByteAvailable() {
  return ClosingWhenLost([this] { return port_.ByteAvailable(); });
}

std::uint8_t SerialLinkPort::ReadByte() {
  return ClosingWhenLost([this] { return port_.ReadByte(); });
}

bool SerialLinkPort::DrainOutput(std::chrono::milliseconds limit) {
  serl::TSerlBaseDispatcher* dispatcher = port_.Dispatcher();
  if (!dispatcher) return true;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // Closing purges the driver's transmit queue too, so the bytes it holds
  // must have gone as well, not only those of the output ring.
  while (dispatcher->OutputCount() > 0 || dispatcher->DeviceOutputCount() > 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kDrainPoll);
  }
  // The last bytes may still be in the transmitter, or on a pseudo-terminal
  // on their way to the other side, where a purge would drop them too: two
  // character times let them go.
  const int baud = std::max(port_.Baud(), 300);
  std::this_thread::sleep_for(std::chrono::microseconds(2 * 10 * 1'000'000 / baud));
  return true;
}

void SerialLinkPort::WaitForInput(std::chrono::steady_clock::time_point deadline) {
  // A device that goes away wakes the wait, and ByteAvailable raises it.
  while (!ByteAvailable()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    // False when the time is up. A signal does not end the wait (the
    // notifier waits again after an interrupted poll), so the host looks at
    // a Ctrl-C once the deadline has come.
    if (!port_.WaitForNotification(static_cast<int>(wait))) return;
    port_.ProcessNotifications();
  }
}

std::intptr_t SerialLinkPort::InputNotifyHandle() const { return port_.NotificationHandle(); }

void SerialLinkPort::TakeInputNotify() { port_.ProcessNotifications(); }

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "serial/SerlHardwareIds.h"

#include <algorithm>

namespace canalarm::serl {

namespace {

// "0403" after "VID_" in "USB\VID_0403&PID_6001&REV_0600".
std::string IdAfter(const std::string& hardwareId, const std::string& tag) {
  const auto at = hardwareId.find(tag);
  if (at == std::string::npos || hardwareId.size() < at + tag.size() + 4) return {};
  std::string id = hardwareId.substr(at + tag.size(), 4);
  std::transform(id.begin(), id.end(), id.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c); });
  return id;
}

}  // namespace

void DescribeWindowsHardwareId(const std::string& hardwareId, const std::string& instanceId,
                               TSerlPortDescription& port) {
  if (hardwareId.starts_with("USB\\") || hardwareId.starts_with("FTDIBUS\\")) {
    port.kind = TPortKind::UsbAdapter;
    port.vendorId = IdAfter(hardwareId, "VID_");
    port.productId = IdAfter(hardwareId, "PID_");
    // "USB\VID_0403&PID_6001\A1B2C3": the last part is the serial number
    // when the device has one ('&' marks a made-up location id instead).
    if (instanceId.starts_with("USB\\")) {
      const auto last = instanceId.rfind('\\');
      const std::string tail = instanceId.substr(last + 1);
      if (last > 4 && tail.find('&') == std::string::npos) port.serialNumber = tail;
    }
    // FTDI's own driver: "FTDIBUS\VID_0403+PID_6001+A1B2C3A\0000", the serial
    // number with the letter of the chip's port appended.
    if (instanceId.starts_with("FTDIBUS\\")) {
      const auto plus = instanceId.find('+', instanceId.find('+') + 1);
      const auto end = instanceId.find('\\', 8);
      if (plus != std::string::npos && end != std::string::npos && end > plus + 2)
        port.serialNumber = instanceId.substr(plus + 1, end - plus - 2);
    }
  } else if (hardwareId.starts_with("ACPI\\PNP050") || hardwareId.starts_with("*PNP050")) {
    port.kind = TPortKind::OnboardUart;
  } else {
    port.kind = TPortKind::Other;
  }
}

}  // namespace canalarm::serl

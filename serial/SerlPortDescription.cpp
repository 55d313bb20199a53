// SPDX-License-Identifier: MIT
#include "serial/SerlPortDescription.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace canalarm::serl {

TSerlSystemRoots TSerlSystemRoots::FromEnvironment() {
  TSerlSystemRoots roots;
  if (const char* sysfs = std::getenv("CANALARM_SYSFS_ROOT"); sysfs != nullptr && *sysfs != 0)
    roots.sysfs = sysfs;
  if (const char* dev = std::getenv("CANALARM_DEV_ROOT"); dev != nullptr && *dev != 0)
    roots.dev = dev;
  if (const char* proc = std::getenv("CANALARM_PROC_ROOT"); proc != nullptr && *proc != 0)
    roots.proc = proc;
  if (const char* locks = std::getenv("CANALARM_LOCK_DIRS"); locks != nullptr) {
    roots.lockDirs.clear();
    std::string_view rest = locks;
    while (!rest.empty()) {
      const std::size_t colon = std::min(rest.find(':'), rest.size());
      if (colon > 0) roots.lockDirs.emplace_back(rest.substr(0, colon));
      rest.remove_prefix(std::min(colon + 1, rest.size()));
    }
  }
  return roots;
}

const char* PortKindText(TPortKind kind) {
  switch (kind) {
    case TPortKind::Absent: return "absent";
    case TPortKind::UsbAdapter: return "USB adapter";
    case TPortKind::OnboardUart: return "on-board UART";
    case TPortKind::PseudoTerminal: return "pseudo-terminal";
    case TPortKind::Other: return "other";
  }
  return "?";
}

const char* PortKindKey(TPortKind kind) {
  switch (kind) {
    case TPortKind::Absent: return "absent";
    case TPortKind::UsbAdapter: return "usb-adapter";
    case TPortKind::OnboardUart: return "onboard-uart";
    case TPortKind::PseudoTerminal: return "pseudo-terminal";
    case TPortKind::Other: return "other";
  }
  return "?";
}

TSerlPortDescription DescribeComPort(int n) {
  return DescribeComPort(n, TSerlSystemRoots::FromEnvironment());
}

std::vector<TSerlPortDescription> DescribePorts() {
  return DescribePorts(TSerlSystemRoots::FromEnvironment());
}

std::string PortSummary(const TSerlPortDescription& port) {
  std::string line = !port.device.empty()   ? port.device
                     : port.comNumber > 0 ? "COM" + std::to_string(port.comNumber)
                                          : std::string("?");
  if (!port.present) {
    line += ", not present";
    if (port.kind == TPortKind::OnboardUart && !port.absentReason.empty())
      line += " (" + port.absentReason + ")";
    return line;
  }
  if (!port.friendlyName.empty()) {
    line += ", " + port.friendlyName;
  } else if (port.kind == TPortKind::UsbAdapter) {
    if (!port.product.empty())
      line += ", " + port.product;
    else if (!port.vendorId.empty())
      line += ", USB adapter " + port.vendorId + ":" + port.productId;
    else
      line += ", USB adapter";
  } else if (port.kind != TPortKind::Other) {
    line += std::string(", ") + PortKindText(port.kind);
  }
  if (port.inUse) line += port.holder.empty() ? ", in use" : ", in use by " + port.holder;
  if (port.noAccess) line += ", no access";
  return line;
}

bool IsAssignableSerialDevice(const TSerlPortDescription& port) {
  if (!port.present) return false;
  switch (port.kind) {
    case TPortKind::UsbAdapter:
    case TPortKind::OnboardUart:
    case TPortKind::PseudoTerminal:
      return true;
    case TPortKind::Other:
      return !port.driver.empty();  // a real driver, not a virtual terminal
    case TPortKind::Absent:
      return false;
  }
  return false;
}

}  // namespace canalarm::serl

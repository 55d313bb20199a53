// SPDX-License-Identifier: MIT
// The port probe: which of the ports COM1 to COM50 exist on this machine.
//
// A port passes when its device opens (it is then closed again at once) or
// when the open is refused because another program holds it. Nothing else is
// done to the device: no line settings, no threads, no bytes. Each probe
// takes as long as one open and close of the device.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "serial/SerlPortPaths.h"

namespace canalarm::serl {

enum class TPortState { Free, InUse, NoAccess };

struct TSerlPortInfo {
  int number = 0;
  std::string devicePath;  // what "\\.\COMn" resolves to
  TPortState state = TPortState::Free;
};

// True when COMn passes the probe; state tells which way. Port 0 fails.
// With includeNoAccess, a device that this user may not open (not in its
// group) passes too, as NoAccess.
bool ProbePort(int n, TPortState* state = nullptr, bool includeNoAccess = false);

// The same for a port path: "\\.\COMn" or a device path.
bool ProbeDevice(std::string_view path, TPortState* state = nullptr, bool includeNoAccess = false);

// The ports from 1 to kMaxProbedPort that pass, in increasing order.
std::vector<TSerlPortInfo> ListPorts(bool includeNoAccess = false);

}  // namespace canalarm::serl

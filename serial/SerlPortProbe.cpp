// SPDX-License-Identifier: MIT
#include "serial/SerlPortProbe.h"

#include "serial/SerlDispatcherFactory.h"
#include "serial/SerlErrors.h"
#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

bool ProbePort(int n, TPortState* state, bool includeNoAccess) {
  if (n <= 0) return false;
  return ProbeDevice(ComPortPath(n), state, includeNoAccess);
}

bool ProbeDevice(std::string_view path, TPortState* state, bool includeNoAccess) {
  auto dispatcher = CreatePlatformDispatcher(nullptr);
  const int r = dispatcher->OpenDeviceOnly(path);
  TPortState found;
  if (r == 0) {
    dispatcher->CloseDeviceOnly();
    found = TPortState::Free;
  } else if (r == -sysAccessDenied) {
    found = TPortState::InUse;
  } else if (r == -sysPermissionDenied && includeNoAccess) {
    found = TPortState::NoAccess;
  } else {
    return false;
  }
  if (state != nullptr) *state = found;
  return true;
}

std::vector<TSerlPortInfo> ListPorts(bool includeNoAccess) {
  std::vector<TSerlPortInfo> ports;
  for (int n = 1; n <= kMaxProbedPort; ++n) {
    TPortState state;
    if (ProbePort(n, &state, includeNoAccess)) {
      ports.push_back({n, ResolveDevicePath(ComPortPath(n)), state});
    }
  }
  return ports;
}

}  // namespace canalarm::serl

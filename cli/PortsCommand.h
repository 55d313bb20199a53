// SPDX-License-Identifier: MIT
// `canalarm ports`: the serial ports of this machine and what they are;
// `ports assign` / `ports unassign` (PortAssignCommand.h) edit the ports folder.
#pragma once

#include <ostream>

#include "serial/SerlPortDescription.h"

namespace CLI {
class App;
}

namespace canalarm::cli {

// Prints each COMn that resolves to something and each serial device that no
// COMn names yet, with what it is and whether it is in use (one line each,
// or one JSON object). withGhosts also lists on-board UARTs of COM1-4 that
// have no hardware behind them. Returns 0.
int RunPorts(bool json, bool withGhosts, const serl::TSerlSystemRoots& roots, std::ostream& out);

void AddPortsCommand(CLI::App& app, int& exitStatus);

}  // namespace canalarm::cli

// SPDX-License-Identifier: MIT
// `canalarm ports`: the serial ports of this machine that can be used.
#pragma once

#include <ostream>

namespace CLI {
class App;
}

namespace canalarm::cli {

// Probes COM1 to COM50 and prints those that open or are held by another
// program, with the device each resolves to. Returns 0.
int RunPorts(bool json, bool all, std::ostream& out);

void AddPortsCommand(CLI::App& app, int& exitStatus);

}  // namespace canalarm::cli

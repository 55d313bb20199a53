// SPDX-License-Identifier: MIT
// `canalarm ports assign COMn DEVICE` and `canalarm ports unassign COMn`:
// the links of the ports folder, made and removed by the tool. On Windows,
// which numbers its ports itself, both refuse with exit status 2.
#pragma once

#include <ostream>
#include <string>

#include "serial/SerlPortDescription.h"

namespace CLI {
class App;
}

namespace canalarm::cli {

inline constexpr int kMaxAssignedPort = 255;

// 1..255 for "COM3", "com3" or "3"; 0 for anything else.
int ParseComNumber(const std::string& text);

// Links COMn to DEVICE in the ports folder: through its /dev/serial/by-id/
// name when it has one (so the number follows the adapter from socket to
// socket), else through the path as given. Refuses (exit 2) a COM number
// outside 1..255, a path that is not a character device of a serial
// driver or a pseudo-terminal, and an existing link to something else
// unless force. Returns an ExitStatus.
int RunAssign(const std::string& com, const std::string& device, bool force,
              const serl::TSerlSystemRoots& roots, std::ostream& out, std::ostream& err);

// Removes the ports folder's link for COMn; refuses (exit 2) when there is
// no link, and leaves an entry that is not a link alone.
int RunUnassign(const std::string& com, std::ostream& out, std::ostream& err);

void AddPortAssignCommands(CLI::App& ports, int& exitStatus);

}  // namespace canalarm::cli

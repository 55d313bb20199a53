// SPDX-License-Identifier: MIT
// Where a port named "COMn" lives on this machine.
//
// A port path is either the driver-style name "\\.\COMn" that the component
// builds from ComNumber, or a device path given directly (anything else, e.g.
// "/dev/ttyUSB0"), which is used as it stands.
//
// COMn is resolved through the ports folder, $XDG_CONFIG_HOME/canalarm/ports
// (default ~/.config/canalarm/ports): an entry "comN" there (normally a
// symbolic link to the device) wins; a link whose target is missing makes the
// port absent, which also hides the default below. Without an entry: COM1-4
// are /dev/ttyS0-3, COM5-8 /dev/ttyUSB0-3, COM9-12 /dev/ttyACM0-3, and
// COM13 and up have no device. On Windows the system names its ports: COMn
// is "\\.\COMn" as it stands. Nothing here opens a device; the folder is
// looked up on every call, so a change of XDG_CONFIG_HOME takes effect at once.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace canalarm::serl {

inline constexpr int kMaxProbedPort = 50;

// "\\.\COM<n>".
std::string ComPortPath(int n);

// n for "\\.\COMn" (also "COMn", case-insensitive), 0 for anything else.
int ParseComPortPath(std::string_view path);

std::filesystem::path PortsFolder();

// The device of the built-in table for COMn, empty when there is none.
std::string DefaultComDevice(int n);

// The device a port path stands for: for COMn the target of the folder's
// link (absolute), the folder entry itself when it is not a link, or the
// default; empty when the port has no device. Any other path is returned
// unchanged.
std::string ResolveDevicePath(std::string_view path);

}  // namespace canalarm::serl

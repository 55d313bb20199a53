// SPDX-License-Identifier: MIT
// What a serial port is: the device behind COMn or behind a device path,
// what kind of device it is, who made it, and whether it can be had now.
//
// On Linux the answers come from sysfs and /dev (both read through
// TSerlSystemRoots, so tests point them at a fake tree): a USB adapter's
// vendor and product ids and strings, its /dev/serial/by-id/ name, and for
// an on-board UART whether a UART is really behind it. On Windows they come
// from SetupAPI: the friendly name Windows shows for the port.
//
// On Linux a description never opens the device: opening raises DTR and RTS,
// which restarts many boards. "In use" comes from /proc and the lock folders
// (SerlPortUse.h) and "no access" from the device's permissions. On Windows
// both are found by opening the port for a moment (SerlPortProbe.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace canalarm::serl {

enum class TPortKind { Absent, UsbAdapter, OnboardUart, PseudoTerminal, Other };

// Where the system's device tree, processes and lock files are read.
// FromEnvironment() gives the system's folders unless CANALARM_SYSFS_ROOT,
// CANALARM_DEV_ROOT, CANALARM_PROC_ROOT or CANALARM_LOCK_DIRS (folders
// separated by ':') name others, which is how the end-to-end tests give the
// program a fake tree.
struct TSerlSystemRoots {
  std::filesystem::path sysfs{"/sys"};
  std::filesystem::path dev{"/dev"};
  std::filesystem::path proc{"/proc"};
  std::vector<std::filesystem::path> lockDirs{"/var/lock", "/run/lock", "/var/spool/locks"};
  static TSerlSystemRoots FromEnvironment();
};

struct TSerlPortDescription {
  int comNumber = 0;           // 0: no COMn names this device
  std::string device;          // the device node, "/dev/ttyUSB0"; for an absent
                               // port the path COMn points at
  std::string link;            // what the ports folder's entry points at, if any
  std::string kernelName;      // "ttyUSB0"; empty when not known
  TPortKind kind = TPortKind::Absent;
  bool present = false;        // the device exists and (for a UART) has hardware
  bool inUse = false;          // another program holds it
  bool inUseUnknown = false;   // nothing could tell whether another program
                               // holds it (inUse is then false)
  std::string holder;          // who holds it, when known: "minicom (pid 812)"
  std::string peer;            // a pseudo-terminal's other end: "canalarm-emu (pid 77)"
  bool noAccess = false;       // this user may not open it (not in its group)
  std::string ownerGroup;      // POSIX, when noAccess: the group that owns the
                               // device (not root), which the user could join
  std::string absentReason;    // why present is false: "no such device",
                               // "no UART behind it"
  std::string driver;          // "ftdi_sio", "cdc_acm", "serial8250"
  std::string vendorId, productId;  // USB ids, four hex digits ("0403")
  std::string manufacturer, product, serialNumber;  // USB strings
  std::string byIdName;        // file name under /dev/serial/by-id/
  std::string friendlyName;    // Windows: "USB Serial Port (COM3)"
};

// "USB adapter", "on-board UART", "pseudo-terminal", "other", "absent".
const char* PortKindText(TPortKind kind);
// "usb-adapter", "onboard-uart", "pseudo-terminal", "other", "absent".
const char* PortKindKey(TPortKind kind);

// COMn as the ports folder (Linux) or Windows resolves it. A COM number
// that resolves to nothing gives kind Absent with device empty.
TSerlPortDescription DescribeComPort(int n);
TSerlPortDescription DescribeComPort(int n, const TSerlSystemRoots& roots);

// A device path, described without a COM number.
TSerlPortDescription DescribeDevice(const std::string& path, const TSerlSystemRoots& roots);

// Every COMn from 1 to 255 that the ports folder names (absent ones too, so
// a link to an unplugged adapter says so) or whose built-in default device
// is present, in increasing order; then each serial device present that no
// COMn names yet. withGhosts also lists the built-in COM1-4 when their
// on-board UART has no hardware behind it.
std::vector<TSerlPortDescription> DescribePorts();
std::vector<TSerlPortDescription> DescribePorts(const TSerlSystemRoots& roots,
                                                bool withGhosts = false);

// One short line for a list item: "/dev/ttyUSB0, FT232R USB UART",
// "/dev/ttyS0, on-board UART, in use", "/dev/ttyS5, not present".
// The holder is named where known: "in use by minicom (pid 812)".
std::string PortSummary(const TSerlPortDescription& port);

// True when a device of this description may be put behind a COM number:
// a present device of a serial driver, or a pseudo-terminal (which is what
// the module emulator and the tests offer).
bool IsAssignableSerialDevice(const TSerlPortDescription& port);

}  // namespace canalarm::serl

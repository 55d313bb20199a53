// SPDX-License-Identifier: MIT
// What sysfs tells about one terminal device (Linux): its driver, whether it
// sits on USB (and the USB device's ids and strings), and whether an on-board
// UART of the 8250 kind really has hardware behind it.
//
// Layout read, below the sysfs root:
//   class/tty/<name>           link to the terminal's node under devices/
//   class/tty/<name>/device    link to the device that drives it; missing for
//                              virtual terminals (consoles, pseudo-terminals)
//   class/tty/<name>/type      UART type of a serial-core port; 0 = no UART
//   <device or an ancestor>/idVendor, idProduct, manufacturer, product, serial
//                              on the USB device that holds the interface
//   dev/char/<major>:<minor>   link to the node of a character device
#pragma once

#include <filesystem>
#include <string>

#include "serial/SerlPortDescription.h"

namespace canalarm::serl {

struct TSysfsTty {
  bool known = false;         // class/tty/<name> exists
  bool hasDevice = false;     // driven by a real device, not virtual
  TPortKind kind = TPortKind::Other;
  bool noHardware = false;    // a UART port with type 0
  std::string driver;
  std::string vendorId, productId, manufacturer, product, serialNumber;
};

TSysfsTty ReadSysfsTty(const std::filesystem::path& sysfsRoot, const std::string& kernelName);

// The kernel's name of character device major:minor ("ttyUSB0"), empty when
// sysfs does not know it.
std::string KernelNameOfCharDevice(const std::filesystem::path& sysfsRoot, unsigned major,
                                   unsigned minor);

// Unix98 pseudo-terminal slaves have majors 136 to 143.
inline bool IsPseudoTerminalMajor(unsigned major) { return major >= 136 && major <= 143; }

}  // namespace canalarm::serl

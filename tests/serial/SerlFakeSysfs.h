// SPDX-License-Identifier: MIT
// A fake device tree for the port descriptions: a sysfs root and a /dev root
// in a temporary folder, laid out as Linux lays them out. Every device node
// in the fake /dev is a link to a pseudo-terminal (checked), so whatever a
// description opens is one.
//
//   sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/          idVendor, product, ...
//   sys/devices/.../1-2/1-2:1.0/                            interface, driver
//   sys/devices/.../1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0/        device -> ../../../ttyUSB0
//   sys/devices/pnp0/00:01/tty/ttyS0/                       type, device -> ../../../00:01
//   sys/devices/platform/serial8250/tty/ttyS1/              type 0: no UART
//   sys/devices/virtual/tty/tty1/                           no device link
//   sys/class/tty/<name> -> ../../devices/.../tty/<name>
//   dev/<name> -> /dev/pts/N,  dev/serial/by-id/<id> -> ../../<name>
#pragma once

#include <filesystem>
#include <string>

#include "serial/SerlPortDescription.h"
#include "support/TempDir.h"

namespace canalarm::serl::test {

class TPtyPair;

struct TFakeUsb {
  std::string ttyName;        // "ttyUSB0" (usb-serial) or "ttyACM0" (cdc_acm)
  std::string usbPort;        // "1-2": the USB device's place on the bus
  std::string driver;         // the interface's driver
  std::string vendorId, productId, manufacturer, product, serialNumber;
  std::string byIdName;       // empty: no /dev/serial/by-id/ link
};

class TFakeSysfs {
 public:
  TFakeSysfs();

  TSerlSystemRoots Roots() const { return {dir_.Path() / "sys", dir_.Path() / "dev"}; }
  std::filesystem::path Dev(const std::string& name) const { return dir_.Path() / "dev" / name; }

  // node: the pseudo-terminal the fake /dev/<ttyName> leads to; null: no node.
  void AddUsbAdapter(const TFakeUsb& usb, const TPtyPair* node);
  // An 8250 port: uartType 0 is a port with no UART behind it (under
  // platform/serial8250); others sit on an ACPI PnP device with driver "serial".
  void AddUart(const std::string& ttyName, int uartType, const TPtyPair* node);
  // A virtual console: a class/tty entry without a device link.
  void AddVirtualTerminal(const std::string& ttyName, const TPtyPair* node);

 private:
  void AddTty(const std::filesystem::path& ttyDir, const std::string& ttyName,
              const TPtyPair* node);
  void Write(const std::filesystem::path& file, const std::string& content) const;
  canalarm::test::TempDir dir_;
};

}  // namespace canalarm::serl::test

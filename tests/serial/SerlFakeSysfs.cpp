// SPDX-License-Identifier: MIT
#include "SerlFakeSysfs.h"

#include <fstream>

#include "SerlTestPty.h"

namespace canalarm::serl::test {

namespace fs = std::filesystem;

TFakeSysfs::TFakeSysfs() {
  fs::create_directories(dir_.Path() / "sys" / "class" / "tty");
  fs::create_directories(dir_.Path() / "sys" / "bus" / "usb" / "drivers");
  fs::create_directories(dir_.Path() / "dev" / "serial" / "by-id");
}

void TFakeSysfs::Write(const fs::path& file, const std::string& content) const {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << content << '\n';
}

void TFakeSysfs::AddTty(const fs::path& ttyDir, const std::string& ttyName,
                        const TPtyPair* node) {
  fs::create_directories(ttyDir);
  Write(ttyDir / "dev", "188:0");
  const fs::path sys = dir_.Path() / "sys";
  fs::create_directory_symlink(fs::path("../..") / ttyDir.lexically_relative(sys),
                               sys / "class" / "tty" / ttyName);
  if (node != nullptr) {
    RequirePseudoTerminal(node->SlavePath());
    fs::create_symlink(node->SlavePath(), Dev(ttyName));
  }
}

void TFakeSysfs::AddUsbAdapter(const TFakeUsb& usb, const TPtyPair* node) {
  const fs::path sys = dir_.Path() / "sys";
  const fs::path device = sys / "devices/pci0000:00/0000:00:14.0/usb1" / usb.usbPort;
  Write(device / "idVendor", usb.vendorId);
  Write(device / "idProduct", usb.productId);
  if (!usb.manufacturer.empty()) Write(device / "manufacturer", usb.manufacturer);
  if (!usb.product.empty()) Write(device / "product", usb.product);
  if (!usb.serialNumber.empty()) Write(device / "serial", usb.serialNumber);
  const fs::path interface = device / (usb.usbPort + ":1.0");
  Write(interface / "bInterfaceNumber", "00");
  fs::create_directories(sys / "bus/usb/drivers" / usb.driver);
  fs::create_directory_symlink(fs::path("../../../../../../bus/usb/drivers") / usb.driver,
                               interface / "driver");
  fs::path ttyDir;
  if (usb.ttyName.starts_with("ttyUSB")) {
    // usb-serial: interface / ttyUSB0 (the port) / tty / ttyUSB0
    const fs::path port = interface / usb.ttyName;
    fs::create_directories(sys / "bus/usb-serial/drivers" / usb.driver);
    fs::create_directories(port);
    fs::create_directory_symlink(
        fs::path("../../../../../../../bus/usb-serial/drivers") / usb.driver, port / "driver");
    ttyDir = port / "tty" / usb.ttyName;
    AddTty(ttyDir, usb.ttyName, node);
    fs::create_directory_symlink(fs::path("../../../") / usb.ttyName, ttyDir / "device");
  } else {
    // cdc_acm: interface / tty / ttyACM0
    ttyDir = interface / "tty" / usb.ttyName;
    AddTty(ttyDir, usb.ttyName, node);
    fs::create_directory_symlink(fs::path("../../../") / interface.filename(), ttyDir / "device");
  }
  if (!usb.byIdName.empty())
    fs::create_symlink(fs::path("../..") / usb.ttyName, Dev("serial/by-id/" + usb.byIdName));
}

void TFakeSysfs::AddUart(const std::string& ttyName, int uartType, const TPtyPair* node) {
  const fs::path sys = dir_.Path() / "sys";
  fs::path parent;
  if (uartType == 0) {
    parent = sys / "devices/platform/serial8250";
    fs::create_directories(sys / "bus/platform/drivers/serial8250");
    if (!fs::exists(parent / "driver")) {
      fs::create_directories(parent);
      fs::create_directory_symlink("../../../bus/platform/drivers/serial8250", parent / "driver");
    }
  } else {
    parent = sys / "devices/pnp0" / ("00:0" + ttyName.substr(ttyName.size() - 1));
    fs::create_directories(sys / "bus/pnp/drivers/serial");
    fs::create_directories(parent);
    fs::create_directory_symlink("../../../bus/pnp/drivers/serial", parent / "driver");
  }
  const fs::path ttyDir = parent / "tty" / ttyName;
  AddTty(ttyDir, ttyName, node);
  Write(ttyDir / "type", std::to_string(uartType));
  fs::create_directory_symlink(fs::path("../../../") / parent.filename(), ttyDir / "device");
}

void TFakeSysfs::AddVirtualTerminal(const std::string& ttyName, const TPtyPair* node) {
  AddTty(dir_.Path() / "sys/devices/virtual/tty" / ttyName, ttyName, node);
}

}  // namespace canalarm::serl::test

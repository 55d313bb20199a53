// SPDX-License-Identifier: MIT
#include "serial/SerlSysfsTty.h"

#include <fstream>
#include <system_error>

namespace canalarm::serl {

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute, empty when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r'))
    line.pop_back();
  return line;
}

// The USB device above a tty's device: the nearest ancestor with idVendor.
// The walk stops at the sysfs root so a fake tree is never left.
fs::path FindUsbDevice(const fs::path& sysfsRoot, fs::path dir) {
  std::error_code ec;
  const fs::path devices = fs::weakly_canonical(sysfsRoot / "devices", ec);
  for (int depth = 0; depth < 16 && !dir.empty(); ++depth) {
    if (fs::exists(dir / "idVendor", ec)) return dir;
    if (dir == devices || dir == dir.parent_path()) break;
    const auto rel = dir.lexically_relative(devices);
    if (rel.empty() || *rel.begin() == "..") break;
    dir = dir.parent_path();
  }
  return {};
}

}  // namespace

TSysfsTty ReadSysfsTty(const fs::path& sysfsRoot, const std::string& kernelName) {
  TSysfsTty tty;
  if (kernelName.empty() || kernelName.find('/') != std::string::npos) return tty;
  std::error_code ec;
  const fs::path entry = sysfsRoot / "class" / "tty" / kernelName;
  if (!fs::exists(entry, ec)) return tty;
  tty.known = true;
  if (!fs::exists(entry / "device", ec)) return tty;  // virtual terminal
  tty.hasDevice = true;
  const fs::path device = fs::canonical(entry / "device", ec);
  if (ec) return tty;
  if (fs::is_symlink(device / "driver", ec)) {
    tty.driver = fs::read_symlink(device / "driver", ec).filename().string();
  }
  const fs::path usb = FindUsbDevice(sysfsRoot, device);
  if (!usb.empty()) {
    tty.kind = TPortKind::UsbAdapter;
    tty.vendorId = ReadAttribute(usb / "idVendor");
    tty.productId = ReadAttribute(usb / "idProduct");
    tty.manufacturer = ReadAttribute(usb / "manufacturer");
    tty.product = ReadAttribute(usb / "product");
    tty.serialNumber = ReadAttribute(usb / "serial");
    // The interface's own driver ("ftdi_sio", "cdc_acm") says more than the
    // usb-serial port's generic one.
    for (fs::path dir = device; dir != usb && !dir.empty(); dir = dir.parent_path()) {
      if (fs::exists(dir / "bInterfaceNumber", ec) && fs::is_symlink(dir / "driver", ec)) {
        tty.driver = fs::read_symlink(dir / "driver", ec).filename().string();
        break;
      }
    }
    return tty;
  }
  const std::string type = ReadAttribute(entry / "type");
  if (!type.empty() || kernelName.starts_with("ttyS")) {
    tty.kind = TPortKind::OnboardUart;
    tty.noHardware = type == "0";
    // Newer kernels put serial-core's generic "port" and "ctrl" devices
    // between the terminal and the UART's own driver ("serial8250", "serial").
    fs::path dir = device;
    for (int up = 0; up < 3 && (tty.driver == "port" || tty.driver == "ctrl"); ++up) {
      dir = dir.parent_path();
      if (!fs::is_symlink(dir / "driver", ec)) break;
      tty.driver = fs::read_symlink(dir / "driver", ec).filename().string();
    }
  }
  return tty;
}

std::string KernelNameOfCharDevice(const fs::path& sysfsRoot, unsigned major, unsigned minor) {
  std::error_code ec;
  const fs::path node =
      sysfsRoot / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor));
  if (!fs::is_symlink(node, ec)) return {};
  return fs::read_symlink(node, ec).filename().string();
}

}  // namespace canalarm::serl

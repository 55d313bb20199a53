// SPDX-License-Identifier: MIT
#include "emu/PortLink.h"

#include <unistd.h>

#include <stdexcept>
#include <system_error>

#include "serial/SerlPortPaths.h"

namespace canalarm::emu {

namespace fs = std::filesystem;

int ParseComName(std::string_view name) {
  const auto bad = [&] {
    std::string message = "\"";  // appended: see Bad() in OptionValues.cpp
    message.append(name).append("\" is not a port name like COM3");
    return std::invalid_argument(message);
  };
  // The serial layer's own parser, so that the emulator takes the names the
  // tool resolves; it gives 0 for anything that isn't COMn.
  const int n = serl::ParseComPortPath(name);
  if (n < 1 || n > 255) throw bad();
  return n;
}

PortLink::PortLink(int comNumber, std::string device)
    : path_(serl::PortsFolder() / ("com" + std::to_string(comNumber))), device_(std::move(device)) {
  fs::create_directories(path_.parent_path());
  std::error_code ec;
  const auto status = fs::symlink_status(path_, ec);
  if (!ec && fs::exists(status) && !fs::is_symlink(status)) {
    throw std::runtime_error(path_.string() + " exists and is not a link; not replacing it");
  }
  // Build the new link beside the old one and rename it over: never a moment
  // without a link, never a half-made one.
  const fs::path temp = path_.string() + ".new." + std::to_string(getpid());
  fs::remove(temp, ec);
  fs::create_symlink(device_, temp);
  fs::rename(temp, path_);
}

PortLink::~PortLink() {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path_, ec)) && fs::read_symlink(path_, ec) == device_) {
    fs::remove(path_, ec);
  }
}

}  // namespace canalarm::emu

// SPDX-License-Identifier: MIT
#include "serial/SerlPortPaths.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

namespace canalarm::serl {

namespace fs = std::filesystem;

std::string ComPortPath(int n) { return "\\\\.\\COM" + std::to_string(n); }

int ParseComPortPath(std::string_view path) {
  if (path.starts_with("\\\\.\\")) path.remove_prefix(4);
  if (path.size() < 4) return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(path[i])) != "COM"[i]) return 0;
  }
  path.remove_prefix(3);
  if (path.size() > 5) return 0;
  int n = 0;
  for (char c : path) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

fs::path PortsFolder() {
  // XDG base directories: a relative XDG_CONFIG_HOME is to be ignored.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home != nullptr ? home : "") / ".config";
  }
  return base / "canalarm" / "ports";
}

std::string DefaultComDevice(int n) {
  if (n >= 1 && n <= 4) return "/dev/ttyS" + std::to_string(n - 1);
  if (n >= 5 && n <= 8) return "/dev/ttyUSB" + std::to_string(n - 5);
  if (n >= 9 && n <= 12) return "/dev/ttyACM" + std::to_string(n - 9);
  return {};
}

std::string ResolveDevicePath(std::string_view path) {
  int n = ParseComPortPath(path);
  if (n == 0) return std::string(path);
#ifdef _WIN32
  // Windows names its serial devices itself.
  return ComPortPath(n);
#else
  fs::path entry = PortsFolder() / ("com" + std::to_string(n));
  std::error_code ec;
  auto status = fs::symlink_status(entry, ec);
  if (!ec && fs::is_symlink(status)) {
    fs::path target = fs::read_symlink(entry, ec);
    if (ec) return {};
    if (target.is_relative()) target = entry.parent_path() / target;
    target = target.lexically_normal();
    // A dangling link marks the port absent (and masks the default).
    if (!fs::exists(target, ec)) return {};
    return target.string();
  }
  if (!ec && fs::exists(status)) return entry.string();
  return DefaultComDevice(n);
#endif
}

}  // namespace canalarm::serl

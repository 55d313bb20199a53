// SPDX-License-Identifier: MIT
// Port descriptions on Linux: the ports folder, /dev and sysfs.
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <system_error>

#include "serial/SerlPortDescription.h"
#include "serial/SerlPortPaths.h"
#include "serial/SerlPortUse.h"
#include "serial/SerlSysfsTty.h"

namespace canalarm::serl {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxComNumber = 255;

fs::path Normal(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  if (normal.filename().empty() && normal.has_parent_path()) normal = normal.parent_path();
  return normal;
}

// What a chain of links passes through on its way to a device: the last name
// that sits directly in the dev root ("ttyUSB0" for /dev/ttyUSB0, also when
// a test's fake /dev/ttyUSB0 leads on to a pseudo-terminal) and the name of
// a /dev/serial/by-id/ link on the way.
struct TLinkChain {
  std::string kernelName;
  std::string byIdName;
};

TLinkChain FollowLinks(const fs::path& start, const TSerlSystemRoots& roots) {
  TLinkChain chain;
  const fs::path dev = Normal(roots.dev);
  const fs::path byId = dev / "serial" / "by-id";
  fs::path path = Normal(start);
  std::error_code ec;
  for (int hop = 0; hop < 40; ++hop) {
    if (path.parent_path() == dev) chain.kernelName = path.filename().string();
    if (path.parent_path() == byId && chain.byIdName.empty())
      chain.byIdName = path.filename().string();
    if (!fs::is_symlink(path, ec)) break;
    fs::path target = fs::read_symlink(path, ec);
    if (ec) break;
    if (target.is_relative()) target = path.parent_path() / target;
    path = Normal(target);
  }
  return chain;
}

// The /dev/serial/by-id/ link that leads to kernelName, if any.
std::string FindByIdName(const std::string& kernelName, const TSerlSystemRoots& roots) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(roots.dev / "serial" / "by-id", ec)) {
    std::error_code linkError;
    if (!entry.is_symlink(linkError)) continue;
    if (fs::read_symlink(entry.path(), linkError).filename() == kernelName)
      return entry.path().filename().string();
  }
  return {};
}

void CopySysfs(const TSysfsTty& tty, TSerlPortDescription& port) {
  port.kind = tty.kind;
  port.driver = tty.driver;
  port.vendorId = tty.vendorId;
  port.productId = tty.productId;
  port.manufacturer = tty.manufacturer;
  port.product = tty.product;
  port.serialNumber = tty.serialNumber;
}

// "ttyS10" after "ttyS9": by the name without its number, then the number.
bool NaturalLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    std::size_t digits = s.size();
    while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9') --digits;
    const std::string number = s.substr(digits);
    return std::pair(s.substr(0, digits), number.empty() ? -1L : std::stol(number.substr(0, 9)));
  };
  return split(a) < split(b);
}

// The group that owns the device, unless it is root's; empty when not known.
std::string OwnerGroup(const struct stat& device) {
  const struct group* owner = ::getgrgid(device.st_gid);
  return owner != nullptr && owner->gr_gid != 0 ? owner->gr_name : "";
}

// The names a lock file for the device may carry after "LCK..": its kernel
// name, and its path under /dev with '/' as '_' ("pts_3").
std::vector<std::string> LockNames(const std::string& path, const std::string& kernelName,
                                   const TSerlSystemRoots& roots) {
  std::vector<std::string> names;
  if (!kernelName.empty()) names.push_back(kernelName);
  std::error_code ec;
  const fs::path real = fs::canonical(path, ec);
  for (const fs::path& dev : {fs::path("/dev"), Normal(roots.dev)}) {
    if (ec) break;
    const fs::path relative = real.lexically_relative(dev);
    if (relative.empty() || *relative.begin() == "..") continue;
    std::string name = relative.string();
    std::replace(name.begin(), name.end(), '/', '_');
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

std::string Names(const std::vector<TPortProcess>& processes) {
  std::string text;
  for (const TPortProcess& process : processes) text += (text.empty() ? "" : ", ") + ProcessText(process);
  return text;
}

std::string IdentityOf(const TSerlPortDescription& port) {
  if (!port.kernelName.empty()) return port.kernelName;
  std::error_code ec;
  return fs::weakly_canonical(port.device, ec).string();
}

}  // namespace

TSerlPortDescription DescribeDevice(const std::string& path, const TSerlSystemRoots& roots) {
  TSerlPortDescription port;
  port.device = path;
  const TLinkChain chain = FollowLinks(path, roots);
  TSysfsTty tty = ReadSysfsTty(roots.sysfs, chain.kernelName);
  std::string kernelName = tty.known ? chain.kernelName : std::string();

  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  bool pseudoTerminal = false;
  if (!tty.known && exists && S_ISCHR(st.st_mode)) {
    if (IsPseudoTerminalMajor(major(st.st_rdev))) {
      pseudoTerminal = true;
    } else {
      kernelName = KernelNameOfCharDevice(roots.sysfs, major(st.st_rdev), minor(st.st_rdev));
      tty = ReadSysfsTty(roots.sysfs, kernelName);
      if (!tty.known) kernelName.clear();
    }
  }
  port.kernelName = kernelName;
  if (!kernelName.empty()) port.device = (Normal(roots.dev) / kernelName).string();
  port.byIdName = !chain.byIdName.empty() ? chain.byIdName
                  : !kernelName.empty()   ? FindByIdName(kernelName, roots)
                                          : std::string();

  if (!exists) {
    port.kind = TPortKind::Absent;
    port.absentReason = "no such device";
    return port;
  }
  if (pseudoTerminal) {
    port.kind = TPortKind::PseudoTerminal;
  } else if (tty.known) {
    CopySysfs(tty, port);
    if (!tty.hasDevice) port.driver.clear();
  } else {
    port.kind = TPortKind::Other;
  }
  if (tty.noHardware) {
    port.absentReason = "no UART behind it";
    return port;
  }
  port.present = true;
  if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    port.noAccess = true;
    port.ownerGroup = OwnerGroup(st);
  }
  const TPortUseFound use = FindPortUse(path, LockNames(path, port.kernelName, roots), roots);
  port.inUse = use.use == TPortUse::InUse;
  port.inUseUnknown = use.use == TPortUse::Unknown;
  port.holder = Names(use.holders);
  if (port.kind == TPortKind::PseudoTerminal) port.peer = Names(use.peers);
  return port;
}

TSerlPortDescription DescribeComPort(int n, const TSerlSystemRoots& roots) {
  TSerlPortDescription port;
  const fs::path entry = PortsFolder() / ("com" + std::to_string(n));
  std::error_code ec;
  const auto status = fs::symlink_status(entry, ec);
  if (!ec && fs::is_symlink(status)) {
    fs::path target = fs::read_symlink(entry, ec);
    if (target.is_relative()) target = entry.parent_path() / target;
    const std::string link = Normal(target).string();
    port = DescribeDevice(link, roots);
    port.link = link;
  } else if (!ec && fs::exists(status)) {
    port = DescribeDevice(entry.string(), roots);
  } else if (const std::string fallback = DefaultComDevice(n); !fallback.empty()) {
    port = DescribeDevice((Normal(roots.dev) / fs::path(fallback).filename()).string(), roots);
  } else {
    port.absentReason = "no device";
  }
  port.comNumber = n;
  return port;
}

std::vector<TSerlPortDescription> DescribePorts(const TSerlSystemRoots& roots, bool withGhosts) {
  std::vector<TSerlPortDescription> ports;
  std::set<std::string> named;
  for (int n = 1; n <= kMaxComNumber; ++n) {
    std::error_code ec;
    const bool inFolder =
        fs::exists(fs::symlink_status(PortsFolder() / ("com" + std::to_string(n)), ec));
    if (!inFolder && DefaultComDevice(n).empty()) continue;
    TSerlPortDescription port = DescribeComPort(n, roots);
    const bool ghost = port.kind == TPortKind::OnboardUart && !port.present;
    if (!inFolder && !port.present && !(withGhosts && ghost)) continue;
    if (port.present) named.insert(IdentityOf(port));
    ports.push_back(std::move(port));
  }

  // Devices that no COM number names yet: terminals of real drivers (not
  // virtual consoles) whose node exists, then by-id links to anything else.
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(roots.sysfs / "class" / "tty", ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end(), NaturalLess);
  for (const std::string& name : names) {
    const TSysfsTty tty = ReadSysfsTty(roots.sysfs, name);
    if (!tty.hasDevice || tty.noHardware || named.count(name) != 0) continue;
    const fs::path node = Normal(roots.dev) / name;
    std::error_code nodeError;
    if (!fs::exists(node, nodeError)) continue;
    TSerlPortDescription port = DescribeDevice(node.string(), roots);
    named.insert(IdentityOf(port));
    ports.push_back(std::move(port));
  }
  std::vector<fs::path> byId;
  for (const auto& entry : fs::directory_iterator(roots.dev / "serial" / "by-id", ec))
    byId.push_back(entry.path());
  std::sort(byId.begin(), byId.end());
  for (const fs::path& link : byId) {
    TSerlPortDescription port = DescribeDevice(link.string(), roots);
    if (!port.present || named.count(IdentityOf(port)) != 0) continue;
    named.insert(IdentityOf(port));
    ports.push_back(std::move(port));
  }
  return ports;
}

}  // namespace canalarm::serl

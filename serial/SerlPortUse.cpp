// SPDX-License-Identifier: MIT
// Who holds a serial device, from /proc and the lock folders (Linux only).
#include "serial/SerlPortUse.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "serial/SerlPortDescription.h"
#include "serial/SerlSysfsTty.h"

namespace canalarm::serl {

namespace fs = std::filesystem;

namespace {

std::optional<pid_t> PidOf(const std::string& name) {
  if (name.empty() || name.size() > 9) return std::nullopt;
  for (char c : name)
    if (c < '0' || c > '9') return std::nullopt;
  return static_cast<pid_t>(std::stol(name));
}

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

TPortProcess ProcessOf(pid_t pid, const fs::path& proc) {
  return {pid, ReadFirstLine(proc / std::to_string(pid) / "comm")};
}

void AddOnce(std::vector<TPortProcess>& list, TPortProcess process) {
  for (const TPortProcess& known : list)
    if (known.pid == process.pid) return;
  list.push_back(std::move(process));
}

// What identifies the device: its number, the node's own inode (which the
// kernel's lock list names), and for a pseudo-terminal slave its index.
struct TDeviceKey {
  dev_t rdev = 0;
  dev_t nodeFs = 0;
  ino_t nodeInode = 0;
  std::optional<unsigned> ptyIndex;
};

// /proc/locks lines: "1: FLOCK  ADVISORY  WRITE 812 00:1a:3 0 EOF"; a
// waiting lock has "->" after the number and is not held yet.
void FindKernelLocks(const TDeviceKey& key, const fs::path& proc, TPortUseFound& found) {
  std::ifstream in(proc / "locks");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string number, type, mode, access, pidText, where;
    fields >> number >> type;
    if (type == "->") continue;
    fields >> mode >> access >> pidText >> where;
    unsigned maj = 0, min = 0;
    unsigned long inode = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%lu", &maj, &min, &inode) != 3) continue;
    if (maj != major(key.nodeFs) || min != minor(key.nodeFs) || inode != key.nodeInode) continue;
    const long pid = std::strtol(pidText.c_str(), nullptr, 10);
    if (pid == ::getpid()) continue;
    found.use = TPortUse::InUse;
    // An open-file-description lock carries no pid (-1): held, by nobody named.
    if (pid > 0) AddOnce(found.holders, ProcessOf(static_cast<pid_t>(pid), proc));
  }
}

std::optional<unsigned> PtyIndexOfMaster(const fs::path& fdinfo) {
  std::ifstream in(fdinfo);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("tty-index:", 0) != 0) continue;
    return static_cast<unsigned>(std::strtoul(line.c_str() + 10, nullptr, 10));
  }
  return std::nullopt;
}

// Adds the process to `holders` when a descriptor of it is the device, to
// `peers` when one is the master of the pseudo-terminal the device is.
// Returns false when the process's descriptors could not be read.
bool ScanDescriptors(pid_t pid, const TDeviceKey& key, const fs::path& proc,
                     std::vector<TPortProcess>& holders, std::vector<TPortProcess>& peers) {
  const fs::path process = proc / std::to_string(pid);
  std::error_code ec;
  fs::directory_iterator fds(process / "fd", ec);
  if (ec) {
    // A process that ended meanwhile holds nothing.
    std::error_code gone;
    return ec == std::errc::no_such_file_or_directory || !fs::exists(process, gone);
  }
  // A process that ends meanwhile may fail the listing half-way: the
  // increment that fails ends it instead of throwing.
  for (std::error_code next; fds != fs::directory_iterator(); fds.increment(next)) {
    if (next) break;
    const fs::directory_entry& entry = *fds;
    std::error_code linkError;
    const std::string target = fs::read_symlink(entry.path(), linkError).string();
    // Sockets, pipes and files outside /dev are never the device, and a
    // stat of a file on a network share could wait.
    if (linkError || target.rfind("/dev/", 0) != 0) continue;
    if (key.ptyIndex && target.size() >= 4 && target.compare(target.size() - 4, 4, "ptmx") == 0) {
      if (PtyIndexOfMaster(process / "fdinfo" / entry.path().filename()) == key.ptyIndex)
        AddOnce(peers, ProcessOf(pid, proc));
      continue;
    }
    struct stat st {};
    if (::stat(entry.path().c_str(), &st) != 0) continue;
    if (S_ISCHR(st.st_mode) && st.st_rdev == key.rdev) AddOnce(holders, ProcessOf(pid, proc));
  }
  return true;
}

// The pid in a lock file: ten ASCII digits (the usual form) or a binary int.
std::optional<pid_t> LockFilePid(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (content.size() == sizeof(int) && !std::isdigit(static_cast<unsigned char>(content.back()))) {
    int pid = 0;
    std::memcpy(&pid, content.data(), sizeof pid);
    return pid > 0 ? std::optional<pid_t>(pid) : std::nullopt;
  }
  const long pid = std::strtol(content.c_str(), nullptr, 10);
  return pid > 0 ? std::optional<pid_t>(static_cast<pid_t>(pid)) : std::nullopt;
}

void FindLockFiles(const std::vector<std::string>& lockNames, const TSerlSystemRoots& roots,
                   TPortUseFound& found) {
  for (const fs::path& folder : roots.lockDirs) {
    for (const std::string& name : lockNames) {
      std::error_code ec;
      const fs::path file = folder / ("LCK.." + name);
      if (!fs::is_regular_file(file, ec)) continue;
      const std::optional<pid_t> pid = LockFilePid(file);
      // A lock file whose process is gone is stale: the port is not held.
      if (!pid || *pid == ::getpid() || !fs::exists(roots.proc / std::to_string(*pid), ec)) continue;
      found.use = TPortUse::InUse;
      AddOnce(found.holders, ProcessOf(*pid, roots.proc));
    }
  }
}

}  // namespace

TPortUseFound FindPortUse(const fs::path& device, const std::vector<std::string>& lockNames,
                          const TSerlSystemRoots& roots) {
  TPortUseFound found;
  struct stat node {};
  if (::stat(device.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return found;
  TDeviceKey key;
  key.rdev = node.st_rdev;
  key.nodeFs = node.st_dev;
  key.nodeInode = node.st_ino;
  if (IsPseudoTerminalMajor(major(node.st_rdev)))
    key.ptyIndex = (major(node.st_rdev) - 136) * 256 + minor(node.st_rdev);

  FindKernelLocks(key, roots.proc, found);
  FindLockFiles(lockNames, roots, found);

  bool unreadable = false;
  std::vector<pid_t> pids;
  std::error_code ec;
  fs::directory_iterator processes(roots.proc, ec);
  for (; !ec && processes != fs::directory_iterator(); processes.increment(ec))
    if (const std::optional<pid_t> pid = PidOf(processes->path().filename().string()); pid && *pid != ::getpid())
      pids.push_back(*pid);
  if (ec) unreadable = true;
  std::sort(pids.begin(), pids.end());
  std::vector<TPortProcess> descriptorHolders;
  for (pid_t pid : pids)
    if (!ScanDescriptors(pid, key, roots.proc, descriptorHolders, found.peers)) unreadable = true;

  // The program at a pseudo-terminal's other end keeps its slave open too;
  // that does not make the line taken (a lock it takes still does).
  for (const TPortProcess& holder : descriptorHolders) {
    const bool peer = std::any_of(found.peers.begin(), found.peers.end(),
                                  [&holder](const TPortProcess& p) { return p.pid == holder.pid; });
    if (peer) continue;
    found.use = TPortUse::InUse;
    AddOnce(found.holders, holder);
  }
  std::sort(found.holders.begin(), found.holders.end(),
            [](const TPortProcess& a, const TPortProcess& b) { return a.pid < b.pid; });
  if (found.use == TPortUse::Free && unreadable) found.use = TPortUse::Unknown;
  return found;
}

std::string ProcessText(const TPortProcess& process) {
  const std::string pid = "pid " + std::to_string(process.pid);
  return process.program.empty() ? pid : process.program + " (" + pid + ")";
}

}  // namespace canalarm::serl

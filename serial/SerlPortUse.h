// SPDX-License-Identifier: MIT
// Whether another program holds a serial device, found without opening it.
//
// Opening a serial device raises DTR and RTS, and many boards restart when
// that happens; so a listing only looks: at the locks the kernel lists in
// /proc/locks (flock and fcntl locks on the device node), at the descriptors
// of every other process under /proc/<pid>/fd, and at the lock files of the
// usual lock folders ("LCK..ttyUSB0" holding the pid of a live process).
//
// A pseudo-terminal is not held by the program at its other end: the one
// holding its master (the module emulator, which also keeps the slave open
// so that the line stays up). That program is named as its peer instead.
//
// When nothing was found but the descriptors of some processes could not be
// read (another user's, without root), the answer is Unknown, not Free.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace canalarm::serl {

struct TSerlSystemRoots;

enum class TPortUse { Free, InUse, Unknown };

struct TPortProcess {
  pid_t pid = 0;
  std::string program;  // the process's command name; empty when not known
};

struct TPortUseFound {
  TPortUse use = TPortUse::Free;
  std::vector<TPortProcess> holders;  // in order of pid; empty when Free
  std::vector<TPortProcess> peers;    // pseudo-terminal: the master's holders
};

// `device` is the node to look for (any path to it); `lockNames` are the
// names after "LCK.." that a lock file for it may carry ("ttyUSB0").
TPortUseFound FindPortUse(const std::filesystem::path& device,
                          const std::vector<std::string>& lockNames,
                          const TSerlSystemRoots& roots);

// "minicom (pid 812)"; "pid 812" when the name is not known.
std::string ProcessText(const TPortProcess& process);

}  // namespace canalarm::serl

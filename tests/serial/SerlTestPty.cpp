// SPDX-License-Identifier: MIT
#include "SerlTestPty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "serial/SerlPortPaths.h"

namespace canalarm::serl::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void RequirePseudoTerminal(const std::string& path) {
  std::error_code ec;
  const std::string real = fs::weakly_canonical(path, ec).string();
  if (ec || real.rfind("/dev/pts/", 0) != 0) {
    std::fprintf(stderr,
                 "REFUSING TO RUN: serial test would open %s (%s), which is not a "
                 "pseudo-terminal\n",
                 path.c_str(), real.c_str());
    std::abort();
  }
}

void RequireOnlyPseudoTerminalPorts() {
  for (int n = 1; n <= kMaxProbedPort; ++n) {
    const std::string device = ResolveDevicePath(ComPortPath(n));
    if (!device.empty()) RequirePseudoTerminal(device);
  }
}

TPtyPair::TPtyPair() {
  // In the terminal's normal (cooked) mode, as a freshly plugged device
  // comes: putting the line into raw mode is the port's job.
  char name[256] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    std::perror("openpty");
    std::abort();
  }
  slavePath_ = name;
  RequirePseudoTerminal(slavePath_);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(slave_, F_SETFL, ::fcntl(slave_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

TOtherHolder::TOtherHolder(const TPtyPair& pty, bool lock) {
  RequirePseudoTerminal(pty.SlavePath());
  const std::string path = pty.SlavePath();
  int ready[2], release[2];
  if (::pipe(ready) != 0 || ::pipe(release) != 0) {
    std::perror("pipe");
    std::abort();
  }
  pid_ = ::fork();
  if (pid_ < 0) {
    std::perror("fork");
    std::abort();
  }
  if (pid_ == 0) {
    // Only calls that are safe after a fork of a threaded program: keep the
    // two pipe ends as 3 and 4, close everything else, open the slave anew
    // (its own open file, so that its lock is its own).
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::prctl(PR_SET_NAME, kName);
    const int readyEnd = ::fcntl(ready[1], F_DUPFD, 500);
    const int releaseEnd = ::fcntl(release[0], F_DUPFD, 500);
    if (readyEnd < 0 || releaseEnd < 0 || ::dup2(readyEnd, 3) != 3 || ::dup2(releaseEnd, 4) != 4) ::_exit(2);
    ::close_range(5, ~0U, 0);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || (lock && ::flock(fd, LOCK_EX | LOCK_NB) != 0)) ::_exit(3);
    if (::write(3, "x", 1) != 1) ::_exit(4);
    char byte;
    while (::read(4, &byte, 1) > 0) {
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  release_ = release[1];
  pollfd wait{ready[0], POLLIN, 0};
  char byte = 0;
  if (::poll(&wait, 1, 10000) != 1 || ::read(ready[0], &byte, 1) != 1) {
    std::fprintf(stderr, "the holding process did not take %s\n", path.c_str());
    std::abort();
  }
  ::close(ready[0]);
}

TOtherHolder::~TOtherHolder() {
  ::close(release_);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

TPtyPair::~TPtyPair() {
  CloseMaster();
  if (slave_ >= 0) ::close(slave_);
}

void TPtyPair::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool TPtyPair::PeerWrite(const std::vector<std::uint8_t>& bytes, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t r = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (r > 0) {
      done += static_cast<std::size_t>(r);
      continue;
    }
    if (r < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (Clock::now() > deadline) return false;
    pollfd p{master_, POLLOUT, 0};
    ::poll(&p, 1, 10);
  }
  return true;
}

std::vector<std::uint8_t> TPtyPair::PeerRead(std::size_t n, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<std::uint8_t> out;
  std::uint8_t buf[4096];
  while (out.size() < n && Clock::now() < deadline) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
    if (r > 0) out.insert(out.end(), buf, buf + r);
  }
  return out;
}

std::vector<std::uint8_t> TPtyPair::PeerDrain(int quietMs) {
  std::vector<std::uint8_t> out;
  std::uint8_t buf[4096];
  for (;;) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, quietMs) <= 0) return out;
    ssize_t r = ::read(master_, buf, sizeof buf);
    if (r <= 0) return out;
    out.insert(out.end(), buf, buf + r);
  }
}

int TPtyPair::SlaveInputQueued() const {
  int n = 0;
  ::ioctl(slave_, FIONREAD, &n);
  return n;
}

std::size_t TPtyPair::FillTowardsPeer(std::uint8_t filler) {
  std::vector<std::uint8_t> block(1024, filler);
  std::size_t total = 0;
  // The terminal moves bytes to the master's side in the background, so give
  // it a moment to settle before calling it full: half a second, which holds
  // also when a sanitizer slows everything down.
  for (int quiet = 0; quiet < 100;) {
    ssize_t r = ::write(slave_, block.data(), block.size());
    if (r > 0) {
      total += static_cast<std::size_t>(r);
      quiet = 0;
    } else {
      ++quiet;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return total;
}

TPortsFolder::TPortsFolder() {
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
    saved_ = old;
    hadSaved_ = true;
  }
  std::string pattern = (fs::temp_directory_path() / "canalarm-ports-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  root_ = pattern;
  ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  fs::create_directories(PortsFolder());
  // Mask every port, so that no default device (/dev/ttyS0 ...) is reachable.
  for (int n = 1; n <= kMaxProbedPort; ++n) BindMissing(n);
  RequireOnlyPseudoTerminalPorts();
}

TPortsFolder::~TPortsFolder() {
  std::error_code ec;
  fs::remove_all(root_, ec);
  if (hadSaved_) {
    ::setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

void TPortsFolder::Link(int n, const std::string& target) {
  const fs::path link = PortsFolder() / ("com" + std::to_string(n));
  std::error_code ec;
  fs::remove(link, ec);
  fs::create_symlink(target, link);
}

void TPortsFolder::Bind(int n, const TPtyPair& pty) {
  Link(n, pty.SlavePath());
  RequireOnlyPseudoTerminalPorts();
}

void TPortsFolder::BindMissing(int n) { Link(n, MissingDevice(n)); }

std::string TPortsFolder::MissingDevice(int n) const {
  return root_ + "/absent-device-" + std::to_string(n);
}

}  // namespace canalarm::serl::test

// SPDX-License-Identifier: MIT
#include "EmuProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace canalarm::emu::test {

namespace {

using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

EmuProcess::EmuProcess(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const auto name = entry.substr(0, entry.find('=') + 1);
    const bool replaced = std::any_of(env.begin(), env.end(),
                                      [&](const std::string& s) { return s.starts_with(name); });
    if (!replaced) environment.push_back(entry);
  }
  environment.insert(environment.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::vector<std::string> argStrings{CANALARM_EMU_BINARY};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The child: killed when the test's process ends, however it ends.
    // Only calls that are safe after a fork until the exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(out[1], STDOUT_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + argStrings[0]);
  }
  stdout_ = out[0];

  try {
    // A loaded machine may take a while to start a sanitized build.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    std::string line;
    char c = 0;
    while (line.size() < 256) {
      pollfd p{stdout_, POLLIN, 0};
      if (poll(&p, 1, Remaining(deadline)) <= 0) throw std::runtime_error("no device line");
      if (read(stdout_, &c, 1) != 1)
        throw std::runtime_error("the emulator ended before its device line");
      if (c == '\n') break;
      line.push_back(c);
    }
    device_ = line;
  } catch (...) {
    // No destructor runs for an object whose constructor throws.
    Stop();
    throw;
  }
}

EmuProcess::~EmuProcess() { Stop(); }

void EmuProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (stdout_ >= 0) close(stdout_);
  stdout_ = -1;
}

void EmuProcess::Signal(int signal) const { kill(pid_, signal); }

std::optional<int> EmuProcess::WaitForExit(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

ToolLine::ToolLine(const std::string& device, unsigned baudCode) {
  // Never anything but the emulator's own pseudo-terminal.
  if (!device.starts_with("/dev/pts/")) throw std::runtime_error("refusing to open " + device);
  fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + device);
  termios tio{};
  tcgetattr(fd_, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, baudCode);
  cfsetospeed(&tio, baudCode);
  tcsetattr(fd_, TCSANOW, &tio);
}

ToolLine::~ToolLine() {
  if (fd_ >= 0) close(fd_);
}

void ToolLine::Write(const std::vector<std::uint8_t>& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      throw std::runtime_error("write to the line failed");
    } else {
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, 100);
    }
  }
}

std::vector<std::uint8_t> ToolLine::Read(std::size_t count, std::chrono::milliseconds limit) const {
  const auto deadline = Clock::now() + limit;
  std::vector<std::uint8_t> got;
  while (got.size() < count) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, Remaining(deadline)) <= 0) break;
    std::uint8_t buffer[64];
    const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

bool ToolLine::WakeUp(std::chrono::milliseconds limit) const {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    Write({0x0F});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Write({0x33});
    for (std::uint8_t b : Read(64, std::chrono::milliseconds(50))) {
      if (b == 0x11) return true;
    }
  }
  return false;
}

}  // namespace canalarm::emu::test

// SPDX-License-Identifier: MIT
// The canalarm-emu program as a child process, and the tool's end of its line.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace canalarm::emu::test {

class EmuProcess {
 public:
  // Starts the emulator with `args`, the environment plus `env` ("NAME=value"
  // entries replace inherited ones), and reads the device path from its first
  // line. Throws std::runtime_error when it can't, and ends what it started.
  // The process is killed should the test's own process end first.
  EmuProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
  ~EmuProcess();  // kills the process if it still runs
  EmuProcess(const EmuProcess&) = delete;
  EmuProcess& operator=(const EmuProcess&) = delete;

  const std::string& DevicePath() const { return device_; }
  void Signal(int signal) const;
  // The exit status, or nothing when it hasn't ended within `limit`.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);

 private:
  void Stop();  // kills and reaps the process, closes its pipe

  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string device_;
};

// The slave side of the pseudo-terminal, opened raw as the tool would.
class ToolLine {
 public:
  // Refuses (throws) anything but a /dev/pts/ device.
  ToolLine(const std::string& device, unsigned baudCode);
  ~ToolLine();
  ToolLine(const ToolLine&) = delete;
  ToolLine& operator=(const ToolLine&) = delete;

  void Write(const std::vector<std::uint8_t>& bytes) const;
  // Reads up to `count` bytes, giving up after `limit`.
  std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds limit) const;
  // Repeats the wake-up pair every 100 ms until the answer 0x11 comes or
  // `limit` passes; true when it came.
  bool WakeUp(std::chrono::milliseconds limit) const;

 private:
  int fd_ = -1;
};

}  // namespace canalarm::emu::test

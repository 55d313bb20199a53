// SPDX-License-Identifier: MIT
// The module's end of the line: the master side of a new pseudo-terminal. The
// tool opens the slave side as its serial port. The slave starts in raw mode,
// and the port keeps a handle on the slave itself, so the line stays up while
// the tool has it closed between operations (no hang-up, no echo).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace canalarm::emu {

class PtyPort {
 public:
  // Opens a new pseudo-terminal. Throws std::system_error on failure.
  PtyPort();
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // The device the tool opens, like /dev/pts/3.
  const std::string& SlavePath() const { return slavePath_; }
  // For poll(); -1 once closed.
  int Fd() const { return master_; }
  bool IsOpen() const { return master_ >= 0; }

  // Reads what has arrived, without waiting; 0 when nothing has.
  // Throws std::system_error when the line fails.
  std::size_t Read(std::span<std::uint8_t> buffer);
  // Writes what the line takes now; returns the count (0 when it is full).
  std::size_t Write(std::span<const std::uint8_t> bytes);

  // The speed the tool set on the slave side, in bits per second; 0 when the
  // line doesn't say.
  int LineSpeed() const;

  // Closes both sides: the tool sees the device go away.
  void Close();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace canalarm::emu

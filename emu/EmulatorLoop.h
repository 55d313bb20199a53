// SPDX-License-Identifier: MIT
// Runs the emulated module on its pseudo-terminal: reads what the tool sends,
// hands each byte to the module when it would have finished arriving on a
// wire, and writes the module's replies when they are due. One poll() waits
// for input, the next due byte and the stop signal; nothing spins.
//
// The RTS restart pulse can't travel over a pseudo-terminal. Its stand-in is
// the quiet line the tool keeps around it: when no byte has moved either way
// for the idle time, the next byte finds the module restarted.
#pragma once

#include <time.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "emu/ModuleEmulator.h"
#include "emu/PtyPort.h"
#include "emu/WirePacer.h"

namespace canalarm::emu {

struct LoopOptions {
  // Simulated wire speed in bits per second; 0 = no wire, bytes go at once.
  int wireBps = 0;
  bool wireFromLine = false;                 // take the speed the tool set on the line instead
  std::chrono::milliseconds idleReset{450};  // 0 = never
  int exitAfterReset = 0;                    // 0 = never
};

enum class LoopEnd {
  kStopped,   // the stop descriptor became readable
  kResets,    // the reset count of exitAfterReset was reached
  kVanished,  // a fault closed the line
};

class EmulatorLoop {
 public:
  EmulatorLoop(PtyPort& port, ModuleEmulator& module, LoopOptions options);

  // Runs until one of the ends above. `signalFd` is a signalfd: SIGUSR1
  // makes the module fall silent, SIGUSR2 restarts it (what it still had to
  // send is dropped), any other signal stops the loop.
  // Throws std::system_error when the line or poll() fails.
  LoopEnd Run(int signalFd);

 private:
  struct Timed {
    std::uint8_t byte;
    TimePoint due;
  };

  Clock::duration ByteTime() const;
  void ReadLine(TimePoint now);
  bool Deliver(TimePoint now);  // false once the loop must end
  void Schedule();
  void WriteDue(TimePoint now);
  bool TakeSignals(int signalFd);  // false once a stop signal came
  // Until the next byte is due; nothing when none is.
  std::optional<timespec> PollTimeout(TimePoint now) const;

  PtyPort& port_;
  ModuleEmulator& module_;
  LoopOptions options_;
  WirePacer pacer_;
  std::deque<Timed> in_;
  std::deque<Timed> out_;
  TimePoint lastActivity_;  // latest byte on the line, either way, sent or scheduled
  bool lineFull_ = false;   // the last write was refused; wait for POLLOUT
  LoopEnd end_ = LoopEnd::kStopped;
};

}  // namespace canalarm::emu

// SPDX-License-Identifier: MIT
// The countdown that times every wait of the bootloader link, and the 50 ms
// ticker that runs it down.
//
// Positive: ticks of 50 ms left for the current wait; 0: time is up; -1: the
// user cancelled. The operations arm it before a wait, the ticker decrements
// it, Cancel sets it to -1. A Cancel is held until the next operation
// starts: arming a wait does not overwrite it, so a Cancel pressed between
// two packets still stops the operation. Ticks are delivered by the host's event pump, at
// most one per pump: ticks missed while the pump did not run (a blocking
// sleep, a busy window) are not piled up.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace canalarm {

using LinkClock = std::chrono::steady_clock;

class Countdown {
 public:
  static constexpr std::chrono::milliseconds kTickInterval{50};

  std::int32_t Value() const { return value_; }

  // countdown := ticks, and the ticker enabled. Enabling a ticker that runs
  // already keeps its phase, as a window timer does. While a Cancel is held
  // the countdown stays at -1 and the ticker off.
  void Arm(std::int32_t ticks, LinkClock::time_point now);

  // Enables the ticker without touching the value.
  void EnableTicker(LinkClock::time_point now);

  // The user's Cancel: the ticker stops and the countdown becomes -1, and
  // stays so until ClearCancel().
  void Cancel();
  bool CancelRequested() const { return cancelled_; }
  // Forgets a Cancel: called when an operation starts, so that a Cancel
  // pressed while nothing ran does not stop the next operation.
  void ClearCancel() { cancelled_ = false; }

  // One tick of the ticker: the countdown goes down by one, and the ticker
  // stops once it is below 1.
  void Tick();

  // Delivers the tick that is due at `now`, if any; returns whether it did.
  bool DeliverDueTick(LinkClock::time_point now);

  bool TickerEnabled() const { return nextTick_.has_value(); }

  // When the next tick falls due; nothing while the ticker is off.
  std::optional<LinkClock::time_point> NextTickDue() const { return nextTick_; }

 private:
  std::int32_t value_ = 0;
  bool cancelled_ = false;
  std::optional<LinkClock::time_point> nextTick_;
};

}  // namespace canalarm

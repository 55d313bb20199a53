// SPDX-License-Identifier: MIT
// The time left of a progress bar's phase, from the rate measured since the
// phase began. A phase begins when the range changes or the position goes
// back (the wake-up counts down, the blocks count up). No estimate until the
// phase has made progress for a moment: the first steps say little.
#pragma once

#include <chrono>
#include <optional>

namespace canalarm::ui {

class ProgressTimeLeft {
 public:
  using Clock = std::chrono::steady_clock;

  // How long a phase runs before it gives an estimate.
  static constexpr std::chrono::milliseconds kSettle{500};

  // A new state of the bar at `now`.
  void Update(int minimum, int maximum, int position, Clock::time_point now);
  // Whole seconds left at the phase's rate, or nothing yet.
  std::optional<int> SecondsLeft(Clock::time_point now) const;
  // Percentage done of the current range, 0..100.
  int Percent() const;

 private:
  int minimum_ = 0, maximum_ = 0, position_ = 0;
  Clock::time_point phaseStart_{};
  int phaseStartPosition_ = 0;
};

}  // namespace canalarm::ui

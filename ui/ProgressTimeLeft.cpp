// SPDX-License-Identifier: MIT
#include "ui/ProgressTimeLeft.h"

namespace canalarm::ui {

void ProgressTimeLeft::Update(int minimum, int maximum, int position, Clock::time_point now) {
  if (minimum != minimum_ || maximum != maximum_ || position < position_) {
    phaseStart_ = now;
    phaseStartPosition_ = position;
  }
  minimum_ = minimum;
  maximum_ = maximum;
  position_ = position;
}

std::optional<int> ProgressTimeLeft::SecondsLeft(Clock::time_point now) const {
  const int stepsDone = position_ - phaseStartPosition_;
  const auto elapsed = now - phaseStart_;
  if (stepsDone <= 0 || elapsed < kSettle || maximum_ <= minimum_) return std::nullopt;
  const double perStep = std::chrono::duration<double>(elapsed).count() / stepsDone;
  return static_cast<int>(perStep * (maximum_ - position_) + 0.5);
}

int ProgressTimeLeft::Percent() const {
  if (maximum_ <= minimum_) return 0;
  return static_cast<int>(100.0 * (position_ - minimum_) / (maximum_ - minimum_));
}

}  // namespace canalarm::ui

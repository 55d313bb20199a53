// SPDX-License-Identifier: MIT
#include "link/Countdown.h"

namespace canalarm {

void Countdown::Arm(std::int32_t ticks, LinkClock::time_point now) {
  if (cancelled_) return;
  value_ = ticks;
  EnableTicker(now);
}

void Countdown::EnableTicker(LinkClock::time_point now) {
  if (!nextTick_ && !cancelled_) nextTick_ = now + kTickInterval;
}

void Countdown::Cancel() {
  nextTick_.reset();
  value_ = -1;
  cancelled_ = true;
}

void Countdown::Tick() {
  --value_;
  if (value_ < 1) nextTick_.reset();
}

bool Countdown::DeliverDueTick(LinkClock::time_point now) {
  if (!nextTick_ || now < *nextTick_) return false;
  // Keep the 50 ms rhythm while the pump keeps up; after a long gap start
  // afresh from now instead of catching up tick by tick.
  LinkClock::time_point next = *nextTick_ + kTickInterval;
  if (next <= now) next = now + kTickInterval;
  nextTick_ = next;
  Tick();
  return true;
}

}  // namespace canalarm

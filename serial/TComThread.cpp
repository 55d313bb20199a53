// SPDX-License-Identifier: MIT
#include "serial/TComThread.h"

#include "serial/SerlErrors.h"
#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

void TComThread::Execute() {
  auto& d = dispatcher_;
  // Every platform we build for counts as the NT family: no ring-trailing-edge bit.
  std::uint32_t mask = kEventMaskNT;
  d.DevSetEventMask(mask);
  d.DevSetTimeouts();
  d.started_->Set();
  do {
    std::uint32_t events = 0;
    int r = d.DevWaitEvent(events);
    if (r < 0) {
      if (r == -sysInvalidParameter && (mask & evRingTe) != 0) {
        mask = kEventMaskNT;
        d.DevSetEventMask(mask);
        continue;
      }
      // A device that hung up: a host waiting for data must not wait out
      // its time limit.
      d.NoticeDeviceLost();
      d.started_->Set();
      return;
    }
    if ((events & (evRing | evRingTe)) != 0) d.ringSeen_ = true;
    if (d.stop_) {
      d.started_->Set();
      return;
    }
    d.eventWord_ = events;
    d.deviceEvent_->Set();
    d.ready_->Wait(-1);
  } while (!d.stop_);
  d.started_->Set();
}

}  // namespace canalarm::serl

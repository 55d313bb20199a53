// SPDX-License-Identifier: MIT
#include "serial/TOutThread.h"

#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

void TOutThread::Execute() {
  auto& d = dispatcher_;
  d.started_->Set();
  do {
    int which = TSerlEvent::WaitAny(*d.output_, *d.outputAbort_, -1);
    if (which == 0) {
      if (d.stop_) break;
      d.WriteLoop();
    } else if (which == 1) {
      d.started_->Set();
    }
  } while (!d.stop_ && !d.closePending_);
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
#include "serial/TDispThread.h"

#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

void TDispThread::Execute() {
  auto& d = dispatcher_;
  d.started_->Set();
  do {
    d.deviceEvent_->Wait(TSerlBaseDispatcher::kDispatchPassMs);
    if (d.stop_) break;
    d.DispatchPass();
  } while (!d.stop_ && !d.closePending_);
  d.started_->Set();
}

}  // namespace canalarm::serl

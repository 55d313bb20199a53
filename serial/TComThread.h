// SPDX-License-Identifier: MIT
// Waits for device events and hands each to the dispatch thread (device-event
// signal), then waits for that thread's ready signal. Ends on the stop flag or
// when the device wait fails (a device that went away).
#pragma once

#include "serial/TSerlDispatcherThread.h"

namespace canalarm::serl {

class TComThread final : public TSerlDispatcherThread {
 public:
  using TSerlDispatcherThread::TSerlDispatcherThread;

 protected:
  void Execute() override;
};

}  // namespace canalarm::serl

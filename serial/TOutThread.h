// SPDX-License-Identifier: MIT
// Writes the output ring to the device whenever the output signal is set;
// acknowledges an output abort with the started signal. Ends on the stop flag
// or a pending close.
#pragma once

#include "serial/TSerlDispatcherThread.h"

namespace canalarm::serl {

class TOutThread final : public TSerlDispatcherThread {
 public:
  using TSerlDispatcherThread::TSerlDispatcherThread;

 protected:
  void Execute() override;
};

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// Runs a dispatcher pass on every device event and at least every 50 ms:
// modem and line status, the read step into the input ring, the data-available
// notice. Ends on the stop flag or a pending close.
#pragma once

#include "serial/TSerlDispatcherThread.h"

namespace canalarm::serl {

class TDispThread final : public TSerlDispatcherThread {
 public:
  using TSerlDispatcherThread::TSerlDispatcherThread;

 protected:
  void Execute() override;
};

}  // namespace canalarm::serl

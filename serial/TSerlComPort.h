// SPDX-License-Identifier: MIT
// The serial port component as the application uses it. All state and
// behaviour live in TSerlCustomComPort; this class is what a window owns
// (as ComPort) and adds nothing.
#pragma once

#include "serial/TSerlCustomComPort.h"

namespace canalarm::serl {

class TSerlComPort final : public TSerlCustomComPort {
 public:
  using TSerlCustomComPort::TSerlCustomComPort;
};

}  // namespace canalarm::serl

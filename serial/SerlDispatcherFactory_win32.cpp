// SPDX-License-Identifier: MIT
#include "serial/SerlDispatcherFactory.h"

#include "serial/TSerlWin32Dispatcher.h"

namespace canalarm::serl {

std::unique_ptr<TSerlBaseDispatcher> CreatePlatformDispatcher(TSerlCustomComPort* owner) {
  return std::make_unique<TSerlWin32Dispatcher>(owner);
}

}  // namespace canalarm::serl

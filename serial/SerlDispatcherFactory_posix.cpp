// SPDX-License-Identifier: MIT
#include "serial/SerlDispatcherFactory.h"

#include "serial/TSerlPosixDispatcher.h"

namespace canalarm::serl {

std::unique_ptr<TSerlBaseDispatcher> CreatePlatformDispatcher(TSerlCustomComPort* owner) {
  return std::make_unique<TSerlPosixDispatcher>(owner);
}

}  // namespace canalarm::serl

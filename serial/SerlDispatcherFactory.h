// SPDX-License-Identifier: MIT
// The one place where the platform's dispatcher is chosen: each operating
// system has its own SerlDispatcherFactory_<os>.cpp, picked by the build.
#pragma once

#include <memory>

namespace canalarm::serl {

class TSerlBaseDispatcher;
class TSerlCustomComPort;

// A new, unopened dispatcher for this platform's serial devices, entered in
// the port registry. owner may be null (the port probe). Throws only
// std::bad_alloc.
std::unique_ptr<TSerlBaseDispatcher> CreatePlatformDispatcher(TSerlCustomComPort* owner);

}  // namespace canalarm::serl

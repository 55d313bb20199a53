// SPDX-License-Identifier: MIT
// Waiting for a condition in the serial tests, on any platform.
#pragma once

#include <functional>

namespace canalarm::serl::test {

// Polls pred every millisecond until it holds or timeoutMs passed.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 10000);

}  // namespace canalarm::serl::test

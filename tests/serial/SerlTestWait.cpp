// SPDX-License-Identifier: MIT
#include "SerlTestWait.h"

#include <chrono>
#include <thread>

namespace canalarm::serl::test {

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace canalarm::serl::test

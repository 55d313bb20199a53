// SPDX-License-Identifier: MIT
#include "serial/TSerlDispatcherThread.h"

#include <cstdio>
#include <exception>

#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl {

TSerlDispatcherThread::~TSerlDispatcherThread() { Join(); }

void TSerlDispatcherThread::Start() {
  running_ = true;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    running_ = false;
    throw;
  }
}

void TSerlDispatcherThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TSerlDispatcherThread::Run() noexcept {
  ++dispatcher_.runningThreads_;
  try {
    Execute();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "serial port thread ended: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "serial port thread ended by an unknown exception\n");
  }
  running_ = false;
  --dispatcher_.runningThreads_;
}

}  // namespace canalarm::serl

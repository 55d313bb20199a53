// SPDX-License-Identifier: MIT
// Base of the dispatcher's three I/O threads. Start launches the body; the
// body counts itself in the dispatcher's running-thread counter while it runs.
// An exception escaping the body is reported on stderr and ends the thread.
// The destructor joins the thread, so the owner must first make it end.
#pragma once

#include <atomic>
#include <thread>

namespace canalarm::serl {

class TSerlBaseDispatcher;

class TSerlDispatcherThread {
 public:
  explicit TSerlDispatcherThread(TSerlBaseDispatcher& dispatcher) : dispatcher_(dispatcher) {}
  virtual ~TSerlDispatcherThread();
  TSerlDispatcherThread(const TSerlDispatcherThread&) = delete;
  TSerlDispatcherThread& operator=(const TSerlDispatcherThread&) = delete;

  // Throws std::system_error when no thread can be created.
  void Start();
  // True from Start until the body has returned.
  bool Running() const noexcept { return running_; }
  void Join();

 protected:
  virtual void Execute() = 0;
  TSerlBaseDispatcher& dispatcher_;

 private:
  void Run() noexcept;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace canalarm::serl

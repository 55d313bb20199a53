// SPDX-License-Identifier: MIT
// An event object that threads of the dispatcher hand over with: set, reset,
// wait with a time-out, and wait for either of two.
//
// Auto-reset: a wait that succeeds consumes the signal, so one Set wakes one
// waiter. Manual reset: the event stays set until Reset. Waits block the caller
// for at most timeoutMs milliseconds (negative: without limit). NativeHandle()
// is a handle that the platform's own wait calls accept (a descriptor that
// becomes readable while the event is set, on POSIX), so that a device wait can
// include the event. Creation failure throws std::system_error.
#pragma once

#include <cstdint>

namespace canalarm::serl {

class TSerlEvent {
 public:
  enum class Kind : std::uint8_t { AutoReset, ManualReset };

  explicit TSerlEvent(Kind kind);
  ~TSerlEvent();
  TSerlEvent(const TSerlEvent&) = delete;
  TSerlEvent& operator=(const TSerlEvent&) = delete;

  void Set() noexcept;
  void Reset() noexcept;
  // True when the event was (or became) set within the time; false on time-out.
  bool Wait(int timeoutMs) noexcept;
  // 0 when a was set, 1 when b was set (a wins a tie), -1 on time-out.
  static int WaitAny(TSerlEvent& a, TSerlEvent& b, int timeoutMs) noexcept;

  // Consumes the signal of an auto-reset event that a platform wait saw set.
  // Returns false when another waiter took it first.
  bool TryConsume() noexcept;
  std::intptr_t NativeHandle() const noexcept { return handle_; }

 private:
  Kind kind_;
  std::intptr_t handle_ = -1;
};

}  // namespace canalarm::serl

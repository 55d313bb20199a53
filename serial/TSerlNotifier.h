// SPDX-License-Identifier: MIT
// The component's notification target: the dispatcher's threads post messages
// to it, and the host's event loop watches Descriptor() (readable while a
// message waits; on Windows, where there is none, NativeHandle() is an event
// that is set while a message waits) and then lets the component handle them
// on its own thread.
// A host that waits for data can sleep on the descriptor instead of polling.
//
// Messages are bits, so a message posted twice before it is taken arrives
// once. Post never blocks and may be called from any thread; Take returns and
// clears the pending set. Creation failure throws std::system_error.
#pragma once

#include <atomic>
#include <cstdint>

namespace canalarm::serl {

class TSerlNotifier {
 public:
  // Message numbers of the component's notification messages.
  static constexpr std::uint32_t kDataAvailableMessage = 32257;
  static constexpr std::uint32_t kDeferredCloseMessage = 32266;
  // Their bits in the pending set. nmDeviceLost wakes a host that waits for
  // data from a device that has gone away: the next byte operation fails.
  static constexpr std::uint32_t nmDataAvailable = 0x01;
  static constexpr std::uint32_t nmDeferredClose = 0x02;
  static constexpr std::uint32_t nmDeviceLost = 0x04;

  TSerlNotifier();
  ~TSerlNotifier();
  TSerlNotifier(const TSerlNotifier&) = delete;
  TSerlNotifier& operator=(const TSerlNotifier&) = delete;

  void Post(std::uint32_t messageBits) noexcept;
  std::uint32_t Take() noexcept;
  std::uint32_t Pending() const noexcept { return pending_.load(); }
  // Waits up to timeoutMs (negative: without limit) for a message. True when
  // one is pending.
  bool Wait(int timeoutMs) const noexcept;
  // POSIX: a descriptor; -1 on Windows.
  int Descriptor() const noexcept {
#ifdef _WIN32
    return -1;
#else
    return static_cast<int>(handle_);
#endif
  }
  // The platform's handle: the descriptor on POSIX, an event HANDLE on Windows.
  std::intptr_t NativeHandle() const noexcept { return handle_; }

 private:
  std::atomic<std::uint32_t> pending_{0};
  std::intptr_t handle_ = -1;
};

}  // namespace canalarm::serl

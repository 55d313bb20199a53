// SPDX-License-Identifier: MIT
// TSerlNotifier on an eventfd, readable while a message is pending.
#include "serial/TSerlNotifier.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace canalarm::serl {

TSerlNotifier::TSerlNotifier() {
  const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  handle_ = fd;
}

TSerlNotifier::~TSerlNotifier() { ::close(Descriptor()); }

void TSerlNotifier::Post(std::uint32_t messageBits) noexcept {
  // Only the first post of a message wakes the host; the rest ride along.
  if ((pending_.fetch_or(messageBits) & messageBits) == messageBits) return;
  std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(Descriptor(), &one, sizeof one);
}

std::uint32_t TSerlNotifier::Take() noexcept {
  // Drain the descriptor first: a post that lands after the exchange below
  // then leaves it readable again, so no message is slept through.
  std::uint64_t value = 0;
  [[maybe_unused]] auto n = ::read(Descriptor(), &value, sizeof value);
  return pending_.exchange(0);
}

bool TSerlNotifier::Wait(int timeoutMs) const noexcept {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (pending_.load() != 0) return true;
    int waitMs = -1;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      waitMs = static_cast<int>(left.count());
    }
    pollfd p{Descriptor(), POLLIN, 0};
    const int r = ::poll(&p, 1, waitMs);
    if (r < 0 && errno != EINTR) return pending_.load() != 0;
    if (r <= 0 || pending_.load() != 0) continue;
    // Readable with nothing pending: a Post raced with a Take and wrote
    // after the message was taken. Drain it, or every wait would return at
    // once until the next message. A post landing meanwhile is seen above.
    std::uint64_t value = 0;
    [[maybe_unused]] auto n = ::read(Descriptor(), &value, sizeof value);
  }
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// TSerlEvent on an eventfd: the counter is non-zero while the event is set, so
// poll() can wait for it together with a device descriptor.
#include "serial/TSerlEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>

namespace canalarm::serl {

namespace {

using Clock = std::chrono::steady_clock;

int Fd(std::intptr_t h) { return static_cast<int>(h); }

// Milliseconds left until the deadline for poll(): -1 without limit.
int Remaining(int timeoutMs, Clock::time_point deadline) {
  if (timeoutMs < 0) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool IsSet(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

}  // namespace

TSerlEvent::TSerlEvent(Kind kind) : kind_(kind) {
  int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  handle_ = fd;
}

TSerlEvent::~TSerlEvent() { ::close(Fd(handle_)); }

void TSerlEvent::Set() noexcept {
  // A second Set while set only raises the counter; a read takes the whole
  // counter back to 0, so the event is simply set either way.
  std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(Fd(handle_), &one, sizeof one);
}

void TSerlEvent::Reset() noexcept {
  std::uint64_t value = 0;
  [[maybe_unused]] auto n = ::read(Fd(handle_), &value, sizeof value);
}

bool TSerlEvent::TryConsume() noexcept {
  if (kind_ == Kind::ManualReset) return IsSet(Fd(handle_));
  std::uint64_t value = 0;
  return ::read(Fd(handle_), &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

bool TSerlEvent::Wait(int timeoutMs) noexcept {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    pollfd p{Fd(handle_), POLLIN, 0};
    int r = ::poll(&p, 1, Remaining(timeoutMs, deadline));
    if (r > 0 && TryConsume()) return true;
    if (r < 0 && errno != EINTR) return false;
    if (r == 0) return false;
  }
}

int TSerlEvent::WaitAny(TSerlEvent& a, TSerlEvent& b, int timeoutMs) noexcept {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    pollfd p[2] = {{Fd(a.handle_), POLLIN, 0}, {Fd(b.handle_), POLLIN, 0}};
    int r = ::poll(p, 2, Remaining(timeoutMs, deadline));
    if (r == 0) return -1;
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if ((p[0].revents & POLLIN) && a.TryConsume()) return 0;
    if ((p[1].revents & POLLIN) && b.TryConsume()) return 1;
  }
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
#include "emu/EmulatorLoop.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <system_error>
#include <vector>

namespace canalarm::emu {

EmulatorLoop::EmulatorLoop(PtyPort& port, ModuleEmulator& module, LoopOptions options)
    : port_(port), module_(module), options_(options), lastActivity_(Clock::now()) {}

Clock::duration EmulatorLoop::ByteTime() const {
  return WirePacer::ByteTime(options_.wireFromLine ? port_.LineSpeed() : options_.wireBps);
}

void EmulatorLoop::ReadLine(TimePoint now) {
  std::array<std::uint8_t, 4096> buffer;
  const auto byteTime = ByteTime();
  while (const std::size_t n = port_.Read(buffer)) {
    for (std::size_t i = 0; i < n; ++i) in_.push_back({buffer[i], pacer_.Arrival(now, byteTime)});
  }
}

bool EmulatorLoop::Deliver(TimePoint now) {
  while (!in_.empty() && in_.front().due <= now) {
    const Timed next = in_.front();
    in_.pop_front();
    if (options_.idleReset.count() > 0 && next.due - lastActivity_ >= options_.idleReset) {
      module_.Restart(lastActivity_ + options_.idleReset,
                      "line quiet " + std::to_string(options_.idleReset.count()) + " ms");
    }
    lastActivity_ = std::max(lastActivity_, next.due);
    module_.Receive(next.byte, next.due);
    if (module_.Vanished()) {
      port_.Close();
      end_ = LoopEnd::kVanished;
      return false;
    }
    Schedule();
    if (options_.exitAfterReset > 0 && module_.Counts().resets >= options_.exitAfterReset) {
      end_ = LoopEnd::kResets;
      return false;
    }
  }
  return true;
}

void EmulatorLoop::Schedule() {
  auto replies = module_.TakeReplies();
  if (replies.empty()) return;
  const auto byteTime = ByteTime();
  for (const Reply& reply : replies) {
    for (std::uint8_t b : reply.bytes) {
      const TimePoint due = pacer_.Departure(reply.notBefore, byteTime);
      out_.push_back({b, due});
      lastActivity_ = std::max(lastActivity_, due);
    }
  }
}

void EmulatorLoop::WriteDue(TimePoint now) {
  std::vector<std::uint8_t> due;
  for (const Timed& t : out_) {
    if (t.due > now) break;
    due.push_back(t.byte);
  }
  if (due.empty()) return;
  const std::size_t written = port_.Write(due);
  out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(written));
  lineFull_ = written < due.size();
}

bool EmulatorLoop::TakeSignals(int signalFd) {
  signalfd_siginfo info;
  while (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    if (info.ssi_signo == SIGUSR1) {
      module_.FallSilent(Clock::now());
    } else if (info.ssi_signo == SIGUSR2) {
      // A restarted module sends nothing more of what it was saying.
      out_.clear();
      lineFull_ = false;
      module_.RestartOnRequest(Clock::now());
    } else {
      return false;
    }
  }
  return true;
}

std::optional<timespec> EmulatorLoop::PollTimeout(TimePoint now) const {
  TimePoint next = TimePoint::max();
  if (!in_.empty()) next = in_.front().due;
  if (!out_.empty() && !lineFull_) next = std::min(next, out_.front().due);
  if (next == TimePoint::max()) return std::nullopt;
  // To the nanosecond: rounding up to whole milliseconds would hold every
  // byte back by up to 1 ms, far more than a byte's time at 38400 bit/s.
  const auto ns = next <= now ? 0LL : std::chrono::duration_cast<std::chrono::nanoseconds>(next - now).count();
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

LoopEnd EmulatorLoop::Run(int signalFd) {
  // The kernel may otherwise let a timed wait run 50 us long, twice a
  // packet; a simulated wire should not be slower than the real one.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  for (;;) {
    TimePoint now = Clock::now();
    if (!Deliver(now)) break;
    WriteDue(now);

    pollfd fds[2] = {
        {port_.Fd(), static_cast<short>(POLLIN | (lineFull_ ? POLLOUT : 0)), 0},
        {signalFd, POLLIN, 0},
    };
    const std::optional<timespec> timeout = PollTimeout(now);
    const int ready = ppoll(fds, 2, timeout ? &*timeout : nullptr, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "poll");
    }
    if (fds[1].revents != 0 && !TakeSignals(signalFd)) return LoopEnd::kStopped;
    if (fds[0].revents & POLLOUT) lineFull_ = false;
    if (fds[0].revents & POLLIN) ReadLine(Clock::now());
    if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
      throw std::system_error(EIO, std::generic_category(), "the pseudo-terminal hung up");
    }
  }
  // What the module still has to say goes out before the line is left.
  if (end_ == LoopEnd::kResets && !out_.empty()) {
    std::vector<std::uint8_t> rest;
    for (const Timed& t : out_) rest.push_back(t.byte);
    port_.Write(rest);
  }
  return end_;
}

}  // namespace canalarm::emu

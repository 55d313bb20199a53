// SPDX-License-Identifier: MIT
// A link host on a virtual clock: sleeps and waits advance the clock at
// once, ticks fall due by it, and a Cancel can be scheduled for a moment.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeLinkPort.h"
#include "link/LinkHost.h"

namespace canalarm::test {

class TestLinkHost : public LinkHost {
 public:
  TestLinkHost() { messages_.Refill(Language::English); }

  VirtualTime now{};  // the virtual clock; the fake port reads it too
  std::vector<std::string> log;
  std::vector<std::string> statusHistory;  // Edit3
  std::vector<std::string> dump;
  std::string status;                      // Edit1
  std::optional<VirtualTime> cancelAt;     // the user presses Cancel then
  int pumps = 0;

  std::chrono::milliseconds Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - VirtualTime{});
  }

  const MessageSet& Messages() const override { return messages_; }
  void AddLogLine(std::string_view text) override { log.emplace_back(text); }
  void ClearLog() override { log.clear(); }
  void SetParameterStatus(std::string_view text) override { statusHistory.emplace_back(text); }
  void SetStatus(std::string_view text) override { status = text; }
  void AddDumpLine(std::string_view text) override { dump.emplace_back(text); }
  void SetProgress(ProgressBarId, int, int, int) override {}
  Countdown& TheCountdown() override { return countdown_; }
  LinkClock::time_point Now() override { return now; }

  void ProcessEvents() override {
    ++pumps;
    countdown_.DeliverDueTick(now);
    if (cancelAt && now >= *cancelAt) {
      cancelAt.reset();
      countdown_.Cancel();
    }
  }

  void WaitForActivity(LinkPort& port) override {
    if (!port.ByteAvailable()) {
      // Jump to whatever comes first: a tick, a byte, the Cancel.
      std::optional<VirtualTime> next = countdown_.NextTickDue();
      auto earliest = [&next](std::optional<VirtualTime> t) {
        if (t && (!next || *t < *next)) next = t;
      };
      earliest(fakePort_ ? fakePort_->NextArrival() : std::nullopt);
      earliest(cancelAt);
      if (!next) throw std::logic_error("the link waits for nothing that can come");
      if (*next > now) now = *next;
    }
    ProcessEvents();
  }

  void Sleep(std::chrono::milliseconds duration) override { now += duration; }

  // The port whose scripted bytes a wait may jump to.
  void Watch(FakeLinkPort& port) { fakePort_ = &port; }

 private:
  MessageSet messages_;
  Countdown countdown_;
  FakeLinkPort* fakePort_ = nullptr;
};

}  // namespace canalarm::test

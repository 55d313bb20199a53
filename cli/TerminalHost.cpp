// SPDX-License-Identifier: MIT
#include "cli/TerminalHost.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

namespace canalarm::cli {

namespace {

std::atomic<int> gCancelPresses{0};

extern "C" void OnInterrupt(int) {
  if (gCancelPresses.fetch_add(1) >= 1) {
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
  }
}

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr int kBarWidth = 30;

}  // namespace

TerminalHost::TerminalHost(std::ostream& out, std::ostream& err, const MessageSet& messages,
                           Settings settings)
    : out_(out), err_(err), messages_(messages), settings_(std::move(settings)) {}

void TerminalHost::InstallCancelSignal() {
#ifdef SIGINT
  // The handler only counts the presses. A wait for the port does not end on
  // the signal (the port's notifier waits again after an interrupted poll):
  // it ends at its deadline, the countdown's next tick at most 50 ms away,
  // and the host sees the Cancel then.
  std::signal(SIGINT, OnInterrupt);
#endif
}

bool TerminalHost::CancelRequested() { return gCancelPresses.load() > 0; }

void TerminalHost::Show(std::string_view text) {
  shown_.emplace_back(text);
  if (!settings_.echo) return;
  EndProgress();
  out_ << settings_.prefix << text << '\n' << std::flush;
}

void TerminalHost::AddLogMessage(MessageRole role) {
  const std::string_view text = messages_.Text(role);
  // The one line a fitter must not miss, even with the output redirected.
  if (role == MessageRole::msgIncompleteFirmware) {
    shown_.emplace_back(text);
    EndProgress();
    err_ << settings_.prefix << text << '\n' << std::flush;
    return;
  }
  Show(text);
}

void TerminalHost::SetParameterStatus(std::string_view text) {
  if (text == lastParameterStatus_) return;
  lastParameterStatus_ = text;
  Show(text);
}

void TerminalHost::SetStatusMessage(MessageRole role) {
  // The terminal shows the status field's lines through the log and the
  // progress bar. Only the notice that the EEPROM is not written appears
  // nowhere else.
  if (role == MessageRole::msgNoEepromData) Show(messages_.Text(role));
}

void TerminalHost::SetProgress(ProgressBarId, int minimum, int maximum, int position) {
  if (minimum != minimum_ || maximum != maximum_ || position < position_) {
    phaseStart_ = LinkClock::now();
    phaseStartPosition_ = position;
  }
  minimum_ = minimum;
  maximum_ = maximum;
  position_ = position;
  if (settings_.progressBar) DrawProgress();
}

void TerminalHost::DrawProgress() {
  const auto now = LinkClock::now();
  if (maximum_ <= minimum_ || position_ <= minimum_) return;
  if (barDrawn_ && now - lastDraw_ < kRedrawInterval && position_ < maximum_) return;
  lastDraw_ = now;
  const double done = double(position_ - minimum_) / double(maximum_ - minimum_);
  const int filled = static_cast<int>(done * kBarWidth + 0.5);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(kBarWidth, '.');
  char line[128];
  const int stepsDone = position_ - phaseStartPosition_;
  if (stepsDone > 0) {
    const double perStep = std::chrono::duration<double>(now - phaseStart_).count() / stepsDone;
    const int left = static_cast<int>(perStep * (maximum_ - position_) + 0.5);
    std::snprintf(line, sizeof line, "[%s] %3d%% %d:%02d left", bar.c_str(),
                  static_cast<int>(done * 100), left / 60, left % 60);
  } else {
    std::snprintf(line, sizeof line, "[%s] %3d%%", bar.c_str(), static_cast<int>(done * 100));
  }
  err_ << '\r' << settings_.prefix << line << "\x1b[K" << std::flush;
  barDrawn_ = true;
}

void TerminalHost::EndProgress() {
  if (!barDrawn_) return;
  err_ << "\r\x1b[K" << std::flush;
  barDrawn_ = false;
}

void TerminalHost::ProcessEvents() {
  countdown_.DeliverDueTick(LinkClock::now());
  // Ctrl-C holds Cancel down: a single press of the window's button can be
  // overtaken by an answer already on its way, and the next wait arms the
  // countdown afresh; a Ctrl-C must not be lost that way.
  if (CancelRequested()) countdown_.Cancel();
}

void TerminalHost::WaitForActivity(LinkPort& port) {
  const auto now = LinkClock::now();
  // Without a running ticker nothing but a byte can end the wait; look
  // again after one tick's time all the same.
  const auto deadline = countdown_.NextTickDue().value_or(now + Countdown::kTickInterval);
  if (!CancelRequested() && deadline > now) port.WaitForInput(deadline);
  ProcessEvents();
}

void TerminalHost::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace canalarm::cli

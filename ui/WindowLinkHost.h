// SPDX-License-Identifier: MIT
// The window as host of the bootloader link's operations.
//
// Messages go to the window's controls; the countdown is run down by the
// window's 50 ms timer `TimeoutTicker`, whose ticks arrive through Qt's event
// queue: a pump delivers at most one, and ticks missed while the window
// thread was blocked are not piled up (a QTimer does not queue them).
//
// Waiting does not poll: it sleeps in the event dispatcher until a window
// event, a timer (the next tick) or the port's input descriptor wakes it.
#pragma once

#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "link/LinkHost.h"
#include "texts/Language.h"
#include "ui/PortInputWatch.h"
#include "ui/ProgressTimeLeft.h"
#include "ui/StatusColours.h"

class QLineEdit;
class QPlainTextEdit;
class QProgressBar;

namespace canalarm::ui {

struct LinkWidgets {
  QPlainTextEdit* log = nullptr;              // meLog
  QLineEdit* parameterStatus = nullptr;       // Edit3
  QLineEdit* status = nullptr;                // Edit1
  QPlainTextEdit* dump = nullptr;             // Memo1
  QProgressBar* programmingBar = nullptr;     // ProgressBar
  QProgressBar* parametersBar = nullptr;      // ProgressBar1
};

class WindowLinkHost : public LinkHost {
 public:
  // `ticker` is the 50 ms timer whose timeouts the owner hands to Tick().
  WindowLinkHost(const LinkWidgets& widgets, const MessageSet& messages, QTimer& ticker);
  ~WindowLinkHost() override;

  const MessageSet& Messages() const override { return messages_; }
  void AddLogLine(std::string_view text) override;
  // A line that stands out: coloured and, unless Normal, bold.
  void AddLogLine(std::string_view text, LineKind kind);
  // Messages are marked by their kind; "no bootloader" gets what to check.
  void AddLogMessage(MessageRole role) override;
  void ClearLog() override;
  void SetParameterStatus(std::string_view text) override;
  void SetStatus(std::string_view text) override;
  void AddDumpLine(std::string_view text) override;
  void SetProgress(ProgressBarId bar, int minimum, int maximum, int position) override;
  Countdown& TheCountdown() override { return countdown_; }
  LinkClock::time_point Now() override { return LinkClock::now(); }
  void ProcessEvents() override;
  void WaitForActivity(LinkPort& port) override;
  void Sleep(std::chrono::milliseconds duration) override;

  // A timeout of the ticker: one tick of the countdown while it runs.
  void Tick();
  // The user's Cancel.
  void Cancel();
  // Starts or stops the ticker to match the countdown (operations arm the
  // countdown, which enables its ticker).
  void SyncTicker();

  // Whether the bars show the time left beside the percentage (upload and
  // parameter read); switching it off also forgets the measured rate.
  void ShowTimeLeft(bool on);
  // How an operation ended, shown on `bar` at a glance: Success fills it,
  // anything else empties it, with the result's word in its colour. Stays
  // until the bar moves again.
  void ShowResult(ProgressBarId bar, LineKind kind, const QString& text);
  // A new operation: no result and no wait shown on either bar.
  void BeginOperation();
  // Whether `bar` shows the wait for the bootloader (busy, no countdown).
  bool Waiting(ProgressBarId bar) const { return waiting_[BarIndex(bar)]; }
  // The language of the time-left text.
  void SetLanguage(Language language) { language_ = language; }
  // The clock of the time-left estimate (tests give their own).
  using BarClock = std::function<ProgressTimeLeft::Clock::time_point()>;
  void SetBarClock(BarClock clock) { barClock_ = std::move(clock); }

  // Where the port signals received bytes: `handle` gives the port's
  // notification handle (LinkPort::InputNotifyHandle, or -1), asked at every
  // wait; `acknowledge` takes the notice so that the handle is quiet again.
  void SetInputNotifier(std::function<std::intptr_t()> handle, std::function<void()> acknowledge) {
    inputHandle_ = std::move(handle);
    acknowledgeInput_ = std::move(acknowledge);
  }

 private:
  void ShowBarText(ProgressBarId bar);
  static std::size_t BarIndex(ProgressBarId bar) { return bar == ProgressBarId::Programming ? 0 : 1; }
  QProgressBar* Bar(ProgressBarId bar) const;
  // The wake-up's messages start and end the wait on the bars it drives.
  void FollowWait(MessageRole role, bool parametersTab);
  void ClearResult(ProgressBarId bar);

  LinkWidgets widgets_;
  std::array<ProgressTimeLeft, 2> timeLeft_{};
  bool showTimeLeft_ = false;
  std::array<bool, 2> waiting_{};
  std::array<bool, 2> showingResult_{};
  BarClock barClock_ = [] { return ProgressTimeLeft::Clock::now(); };
  Language language_ = Language::English;
  const MessageSet& messages_;
  QPointer<QTimer> ticker_;
  Countdown countdown_;
  std::function<std::intptr_t()> inputHandle_;
  std::function<void()> acknowledgeInput_;
  // Kept from wait to wait while the port's handle stays the same: a
  // notifier and a timer made afresh for every acknowledgement cost more
  // than the wait itself at 38400 bit/s.
  std::unique_ptr<PortInputWatch> input_;
  std::intptr_t inputHandleWatched_ = -1;
  QTimer waitLimit_;
};

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// The command line's host of the link operations.
//
// Log lines and status texts go to the output as plain lines (or are kept
// for a JSON result); on a terminal, a progress bar with percentage and time
// left is drawn on stderr. Ctrl-C is the Cancel button. Waits sleep on the
// port's input until the countdown's next tick, never spinning; a Ctrl-C is
// seen when the wait ends.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "link/LinkHost.h"
#include "link/LinkPort.h"

namespace canalarm::cli {

class TerminalHost : public LinkHost {
 public:
  struct Settings {
    std::string prefix;        // put before every line, e.g. "COM3: " in a batch
    bool echo = true;          // print log and status lines as they come
    bool progressBar = false;  // draw a progress bar on stderr
  };

  TerminalHost(std::ostream& out, std::ostream& err, const MessageSet& messages, Settings settings);

  // Installs the Ctrl-C handler: after a Ctrl-C every host cancels its
  // waits; a second Ctrl-C ends the program at once.
  static void InstallCancelSignal();
  // Whether Ctrl-C was pressed since the program started.
  static bool CancelRequested();

  // Every message shown, in order (log lines and status texts).
  const std::vector<std::string>& Shown() const { return shown_; }
  const std::vector<std::string>& DumpLines() const { return dump_; }

  const MessageSet& Messages() const override { return messages_; }
  // A line the status field shows already (the window says some things in
  // both places) is not shown twice.
  void AddLogLine(std::string_view text) override {
    if (text != lastParameterStatus_) Show(text);
  }
  void ClearLog() override {}
  void SetParameterStatus(std::string_view text) override;
  // The window keeps the status field hidden: its texts are not shown here.
  void SetStatus(std::string_view) override {}
  void AddLogMessage(MessageRole role) override;
  void SetStatusMessage(MessageRole role) override;
  void AddDumpLine(std::string_view text) override { dump_.emplace_back(text); }
  void SetProgress(ProgressBarId bar, int minimum, int maximum, int position) override;
  Countdown& TheCountdown() override { return countdown_; }
  LinkClock::time_point Now() override { return LinkClock::now(); }
  void ProcessEvents() override;
  void WaitForActivity(LinkPort& port) override;
  void Sleep(std::chrono::milliseconds duration) override;

  // Clears the progress bar line, if one is drawn.
  void EndProgress();

 private:
  void Show(std::string_view text);
  void DrawProgress();

  std::ostream& out_;
  std::ostream& err_;
  const MessageSet& messages_;
  Settings settings_;
  Countdown countdown_;
  std::vector<std::string> shown_;
  std::vector<std::string> dump_;
  std::string lastParameterStatus_;

  // The progress of the current phase, for the bar and the time left.
  int minimum_ = 0, maximum_ = 0, position_ = 0;
  LinkClock::time_point phaseStart_{};
  int phaseStartPosition_ = 0;
  bool barDrawn_ = false;
  LinkClock::time_point lastDraw_{};
};

}  // namespace canalarm::cli

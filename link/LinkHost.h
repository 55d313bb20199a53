// SPDX-License-Identifier: MIT
// What an operation on the bootloader link needs of its host: the window,
// the command line, or a test.
//
// Everything runs on the host's one thread. While an operation waits it
// pumps the host's events, which is where the countdown's ticks and the
// user's Cancel arrive.
#pragma once

#include <chrono>
#include <string_view>

#include "link/Countdown.h"
#include "texts/MessageSet.h"

namespace canalarm {

class LinkPort;

// The two progress bars of the window: `ProgressBar` on the programming tab,
// `ProgressBar1` on the parameters tab.
enum class ProgressBarId { Programming, Parameters };

// Where a link's messages go: new lines of the log, or the text of the
// parameters tab's status field.
enum class MessageTarget { Log, ParameterStatus };

class LinkHost {
 public:
  virtual ~LinkHost() = default;

  // The message set of the current language, read when a message is shown.
  virtual const MessageSet& Messages() const = 0;

  // The log (`meLog`): add a line, or clear it.
  virtual void AddLogLine(std::string_view text) = 0;
  virtual void ClearLog() = 0;
  // The parameters tab's status field (`Edit3`): replace its text.
  virtual void SetParameterStatus(std::string_view text) = 0;
  // The hidden status field (`Edit1`): stage texts and countdown values.
  virtual void SetStatus(std::string_view text) = 0;
  // A message of the message set as a new log line, or as the hidden status
  // field's text. By default its text in the current language, shown as
  // AddLogLine and SetStatus show any text; a host that treats a message
  // apart overrides these and looks at its role.
  virtual void AddLogMessage(MessageRole role) { AddLogLine(Messages().Text(role)); }
  virtual void SetStatusMessage(MessageRole role) { SetStatus(Messages().Text(role)); }
  // The diagnostic dump of a parameter read (`Memo1`): add a line.
  virtual void AddDumpLine(std::string_view text) = 0;
  // A progress bar changed.
  virtual void SetProgress(ProgressBarId bar, int minimum, int maximum, int position) = 0;

  // The countdown of the link; the host's pump delivers its ticks and the
  // user's Cancel.
  virtual Countdown& TheCountdown() = 0;
  virtual LinkClock::time_point Now() = 0;

  // Processes pending events without waiting for new ones: at most one due
  // tick of the countdown, a Cancel, window messages.
  virtual void ProcessEvents() = 0;
  // Sleeps until something is due (a received byte on `port`, the next tick,
  // a window event), then processes pending events as ProcessEvents does.
  virtual void WaitForActivity(LinkPort& port) = 0;
  // Blocks for `duration`; no events are processed meanwhile.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

}  // namespace canalarm

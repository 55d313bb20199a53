// SPDX-License-Identifier: MIT
#include "link/BootloaderLink.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>

namespace canalarm {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRtsPulse{500};
constexpr milliseconds kRtsQuiet{100};
constexpr milliseconds kWakeStep{50};
constexpr int kAckTicks = 30;
// How long a closing port may take to let queued output leave: the 5 bytes
// of a reset need about 5 ms at 9600 bit/s, a full output ring far longer.
constexpr milliseconds kDrainLimit{1000};

std::size_t BarIndex(ProgressBarId bar) { return bar == ProgressBarId::Programming ? 0 : 1; }

}  // namespace

bool BootloaderLink::OpenLinkPort(const PortChoice& choice, bool showPortText) {
  lastOpenError_.clear();
  lastOpenReason_ = PortOpenReason::Other;
  try {
    port_.Select(choice);
    port_.Open();
    port_.SetRts(true);
    host_.Sleep(kRtsPulse);
    port_.SetRts(false);
    host_.Sleep(kRtsQuiet);
    if (showPortText) {
      host_.SetStatus(choice.devicePath.empty()
                          ? "Opening port Com" + std::to_string(choice.comNumber)
                          : "Opening port " + choice.devicePath);
    }
    return true;
  } catch (const PortOpenError& e) {
    lastOpenError_ = e.what();
    lastOpenReason_ = e.Reason();
    return false;
  } catch (const std::exception& e) {
    lastOpenError_ = e.what();
    return false;
  }
}

LinkOutcome BootloaderLink::Start(const PortChoice& choice, bool showPortText, int wakeTicks,
                                  const LinkTarget& target, const std::function<void()>& opened) {
  if (!OpenLinkPort(choice, showPortText)) {
    Report(target, MessageRole::msgPortOpenError);
    return LinkOutcome::PortOpenError;
  }
  if (opened) opened();
  if (!WakeBootloader(wakeTicks, target))
    return CountdownValue() == -1 ? LinkOutcome::Cancelled : LinkOutcome::NoBootloader;
  return LinkOutcome::Done;
}

LinkOutcome BootloaderLink::ReportStopped(const LinkTarget& target, bool cancelled) {
  Report(target, cancelled ? MessageRole::msgCancelled : MessageRole::msgCommError);
  return cancelled ? LinkOutcome::Cancelled : LinkOutcome::CommError;
}

bool BootloaderLink::WakeBootloader(int ticks, const LinkTarget& target) {
  Countdown& countdown = host_.TheCountdown();
  // The restart pulse sleeps without pumping: a Cancel pressed meanwhile is
  // taken here, before the first wake-up byte, so that the module is not
  // left waiting in its bootloader.
  if (CancelPending()) {
    Report(target, MessageRole::msgCancelled);
    port_.Close();
    return false;
  }
  countdown.Arm(ticks, host_.Now());
  port_.ClearInput();
  ForEachBar(target, 0, ticks, ticks);
  key_ = kInitialLinkKey;
  bool found = false;
  Report(target, MessageRole::msgSearching);
  do {
    port_.WriteByte(kWakeFirst);
    host_.Sleep(kWakeStep);
    port_.WriteByte(kWakeSecond ^ key_);
    host_.Sleep(kWakeStep);
    // One received byte per pass at most; anything but the answer is dropped.
    if (port_.ByteAvailable() && (port_.ReadByte() ^ key_) == kWakeAnswer) {
      found = true;
      AgreeKey();
    }
    if (target.programmingBar) SetProgressPosition(ProgressBarId::Programming, countdown.Value());
    if (target.parametersBar) SetProgressPosition(ProgressBarId::Parameters, countdown.Value());
    host_.ProcessEvents();
  } while (countdown.Value() >= 1 && !found);
  // The answer is read before the pass pumps events: a Cancel that came
  // meanwhile must still stop the operation before its first packet.
  if (found && CancelPending()) found = false;

  if (target.programmingBar) SetProgressPosition(ProgressBarId::Programming, Progress(ProgressBarId::Programming).minimum);
  if (target.parametersBar) SetProgressPosition(ProgressBarId::Parameters, Progress(ProgressBarId::Parameters).minimum);
  if (found) {
    Report(target, MessageRole::msgOK);
    return true;
  }
  Report(target, countdown.Value() == -1 ? MessageRole::msgCancelled : MessageRole::msgNoBootloader);
  port_.Close();
  return false;
}

void BootloaderLink::AgreeKey() {
  if (!randomKey_) {
    port_.WriteByte(kKeepKey ^ key_);
    return;
  }
  // Reseeded from the clock for every agreement; never 0 or 255, which
  // would leave bytes unmasked or merely inverted.
  std::mt19937 random(static_cast<std::mt19937::result_type>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  const auto newKey = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 254)(random));
  port_.WriteByte(kNewKey ^ key_);
  port_.WriteByte(newKey ^ key_);  // the new key travels masked with the old one
  key_ = newKey;
}

void BootloaderLink::SendPacket(std::uint8_t command, std::uint16_t address, PacketBuffer buffer,
                                std::uint8_t length) {
  for (std::uint8_t byte : FramePacket(command, address, std::span(buffer.data(), length), key_))
    port_.WriteByte(byte);
}

AckResult BootloaderLink::WaitAck() {
  Countdown& countdown = host_.TheCountdown();
  countdown.Arm(kAckTicks, host_.Now());
  for (;;) {
    if (countdown.Value() < 1)
      return {countdown.Value() == 0 ? WaitResult::TimedOut : WaitResult::Cancelled, 0};
    host_.SetStatus(std::to_string(countdown.Value()));
    host_.WaitForActivity(port_);
    if (port_.ByteAvailable()) break;
  }
  return {WaitResult::Done, static_cast<std::uint8_t>(port_.ReadByte() ^ key_)};
}

bool BootloaderLink::CancelPending() {
  host_.ProcessEvents();
  return host_.TheCountdown().CancelRequested();
}

int BootloaderLink::ReadReply(std::size_t count, PacketBuffer& buffer) {
  Countdown& countdown = host_.TheCountdown();
  for (std::size_t i = 0; i < count && i < buffer.size(); ++i) {
    do {
      // With the time up or cancelled there is nothing to wait for: pump once.
      if (countdown.Value() > 0) {
        host_.WaitForActivity(port_);
      } else {
        host_.ProcessEvents();
      }
    } while (!port_.ByteAvailable() && countdown.Value() > 0);
    if (countdown.Value() > 0) buffer[i] = port_.ReadByte() ^ key_;
  }
  return countdown.Value();
}

void BootloaderLink::Report(const LinkTarget& target, std::string_view text) {
  if (target.messages == MessageTarget::Log) {
    host_.AddLogLine(text);
  } else {
    host_.SetParameterStatus(text);
  }
}

void BootloaderLink::Report(const LinkTarget& target, MessageRole role) {
  if (target.messages == MessageTarget::Log) {
    host_.AddLogMessage(role);
  } else {
    host_.SetParameterStatus(host_.Messages().Text(role));
  }
}

ProgressState& BootloaderLink::Progress(ProgressBarId bar) { return bars_[BarIndex(bar)]; }

void BootloaderLink::ShowProgress(ProgressBarId bar) {
  const ProgressState& state = Progress(bar);
  host_.SetProgress(bar, state.minimum, state.maximum, state.position);
}

void BootloaderLink::SetProgress(ProgressBarId bar, int minimum, int maximum, int position) {
  ProgressState& state = Progress(bar);
  state.minimum = minimum;
  state.maximum = std::max(minimum, maximum);
  state.position = std::clamp(position, state.minimum, state.maximum);
  ShowProgress(bar);
}

void BootloaderLink::SetProgressMinimum(ProgressBarId bar, int minimum) {
  const ProgressState& state = Progress(bar);
  SetProgress(bar, minimum, state.maximum, state.position);
}

void BootloaderLink::SetProgressMaximum(ProgressBarId bar, int maximum) {
  const ProgressState& state = Progress(bar);
  SetProgress(bar, std::min(state.minimum, maximum), maximum, state.position);
}

void BootloaderLink::SetProgressPosition(ProgressBarId bar, int position) {
  const ProgressState& state = Progress(bar);
  SetProgress(bar, state.minimum, state.maximum, position);
}

void BootloaderLink::ForEachBar(const LinkTarget& target, int minimum, int maximum, int position) {
  if (target.programmingBar) SetProgress(ProgressBarId::Programming, minimum, maximum, position);
  if (target.parametersBar) SetProgress(ProgressBarId::Parameters, minimum, maximum, position);
}

void BootloaderLink::CloseAfterOutput() {
  if (port_.IsOpen()) port_.DrainOutput(kDrainLimit);
  port_.Close();
}

void BootloaderLink::Close() { port_.Close(); }

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The link steps that every operation with the module's bootloader uses:
// open the port and restart the module, wake the bootloader and agree the
// link key, send framed packets, and wait for acknowledgements and replies.
//
// The steps run on the host's thread. Waits pump the host's events, so the
// countdown's ticks and the user's Cancel take effect; the fixed sleeps of
// the restart pulse and the wake-up block. A port error after the port was
// opened is not handled here: the port's exception leaves the step.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>

#include "link/LinkHost.h"
#include "link/LinkOutcome.h"
#include "link/LinkPort.h"
#include "link/LinkProtocol.h"
#include "texts/MessageSet.h"

namespace canalarm {

// Where a link's messages go and which progress bars follow its countdown.
struct LinkTarget {
  MessageTarget messages = MessageTarget::Log;
  bool programmingBar = false;  // `ProgressBar`
  bool parametersBar = false;   // `ProgressBar1`
};

enum class WaitResult { Done, TimedOut, Cancelled };

struct AckResult {
  WaitResult wait = WaitResult::TimedOut;
  std::uint8_t code = 0;  // 0 accepted, else the bootloader's error code
};

// A progress bar's range and position, kept inside the range as a progress
// control keeps it.
struct ProgressState {
  int minimum = 0;
  int maximum = 100;
  int position = 0;
};

class BootloaderLink {
 public:
  BootloaderLink(LinkPort& port, LinkHost& host) : port_(port), host_(host) {}
  BootloaderLink(const BootloaderLink&) = delete;
  BootloaderLink& operator=(const BootloaderLink&) = delete;

  LinkPort& Port() { return port_; }
  LinkHost& Host() { return host_; }

  // Random key agreement after the wake-up (the hidden "RandomEncoding" option).
  void SetRandomKey(bool on) { randomKey_ = on; }
  std::uint8_t Key() const { return key_; }

  // Selects port and speed, opens the port (also when it is open already)
  // and pulses RTS: on for 500 ms, then off and 100 ms of quiet. With
  // `showPortText` the status field shows "Opening port Com" and the number.
  // Returns false when the port throws on any of it; the caller reports it,
  // LastOpenError() says what the port said and LastOpenReason() why, when
  // the port could tell.
  bool OpenLinkPort(const PortChoice& choice, bool showPortText);
  const std::string& LastOpenError() const { return lastOpenError_; }
  PortOpenReason LastOpenReason() const { return lastOpenReason_; }

  // Arms the countdown with `ticks`, repeats the wake-up pair until the
  // bootloader answers or the countdown runs out, and agrees the link key.
  // Reports the search and its end to the target's messages. A Cancel taken
  // up to the agreement (or during the restart pulse before it, when no
  // wake-up byte is sent at all) counts as not found. When not found, the port is
  // closed; the countdown is then 0 (no answer) or -1 (cancelled).
  bool WakeBootloader(int ticks, const LinkTarget& target);

  // The start every operation shares: OpenLinkPort (its failure reported as
  // msgPortOpenError), then `opened` when given, then WakeBootloader with
  // `wakeTicks`. Done when the bootloader answered; otherwise the outcome
  // that ended the start: PortOpenError, Cancelled or NoBootloader.
  LinkOutcome Start(const PortChoice& choice, bool showPortText, int wakeTicks, const LinkTarget& target,
                    const std::function<void()>& opened = {});

  // A wait for the module that did not complete: reports msgCancelled or
  // msgCommError at the target and returns Cancelled or CommError. The port
  // is left as it is.
  LinkOutcome ReportStopped(const LinkTarget& target, bool cancelled);

  // Sends one packet: the first `length` bytes of `buffer` as its data. The
  // buffer is taken by value; the caller's stays as it was.
  void SendPacket(std::uint8_t command, std::uint16_t address, PacketBuffer buffer,
                  std::uint8_t length);

  // Arms the countdown with 30 ticks and waits for one acknowledgement byte.
  AckResult WaitAck();

  // Pumps the host's events once and tells whether the user has cancelled
  // the running operation. Asked right before every packet that writes into
  // the module, so that nothing is written after a Cancel.
  bool CancelPending();

  // Reads `count` reply bytes into `buffer`, unmasked, on the countdown as it
  // stands (it is not armed here). When the countdown ends first, the bytes
  // read so far stay and the rest of `buffer` is left as it was. Returns the
  // countdown: positive = complete, 0 = timed out, -1 = cancelled.
  int ReadReply(std::size_t count, PacketBuffer& buffer);

  // Shows `text`, or the message of `role`, at the target: a new log line
  // or the status field's text.
  void Report(const LinkTarget& target, std::string_view text);
  void Report(const LinkTarget& target, MessageRole role);

  // Progress bars, with the host told of every change.
  ProgressState& Progress(ProgressBarId bar);
  void SetProgress(ProgressBarId bar, int minimum, int maximum, int position);
  void SetProgressMinimum(ProgressBarId bar, int minimum);
  void SetProgressMaximum(ProgressBarId bar, int maximum);
  void SetProgressPosition(ProgressBarId bar, int position);

  // Closes the port after letting queued output leave, at most a bounded
  // time, so that a reset packet queued just before reaches the module.
  void CloseAfterOutput();
  // Closes the port at once, discarding queued output.
  void Close();

  // Arms the countdown, for requests whose reply wait needs it.
  void ArmCountdown(int ticks) { host_.TheCountdown().Arm(ticks, host_.Now()); }
  int CountdownValue() { return host_.TheCountdown().Value(); }

  // One operation at a time: an operation holds this while it runs.
  class Session {
   public:
    // A Cancel pressed while no operation ran does not count for this one.
    explicit Session(BootloaderLink& link) : link_(link), acquired_(!link.busy_) {
      if (acquired_) link_.host_.TheCountdown().ClearCancel();
      link_.busy_ = true;
    }
    ~Session() {
      if (acquired_) link_.busy_ = false;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // False when another operation was running already.
    bool Acquired() const { return acquired_; }

   private:
    BootloaderLink& link_;
    bool acquired_;
  };
  bool Busy() const { return busy_; }

 private:
  void ShowProgress(ProgressBarId bar);
  void ForEachBar(const LinkTarget& target, int minimum, int maximum, int position);
  void AgreeKey();

  LinkPort& port_;
  LinkHost& host_;
  std::string lastOpenError_;
  PortOpenReason lastOpenReason_ = PortOpenReason::Other;
  bool randomKey_ = false;
  bool busy_ = false;
  std::uint8_t key_ = kInitialLinkKey;
  std::array<ProgressState, 2> bars_{};
};

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The module's bootloader as a state machine without I/O: it is fed the bytes
// that arrive on the line, one at a time with the time each one arrived, and
// queues the bytes it answers with, each reply with the earliest time it may
// leave. It keeps the 32 KiB FLASH image (erased 0xFF) and the 256-byte EEPROM
// image that the requests write and read.
//
// Conversation: waiting for a wake-up (only a pair 0x0F, 0x69^key counts;
// every other byte is ignored) -> answer 0x4B^key -> agreement (0x73^key keeps
// the key, 0x66^key then newKey^key switches to newKey; further wake-up pairs
// are ignored) -> in link: framed packets masked with the key, until a reset
// command or Restart() brings it back to waiting with the initial key.
//
// Replies, before masking:
//   write FLASH / EEPROM (0, 1): one acknowledgement byte, 0 accepted, else
//     kAckBadChecksum, kAckBadAddress, kAckBadLength or the code of an ErrorAt;
//     a refused write leaves the image unchanged.
//   identity (2): 0x02 (the command), identity[0], identity[1].
//   read EEPROM (3): 0x03 (the command), the 16 bytes, their checksum (two's
//     complement of their sum, as in a request).
//   reset (4): no reply; back to waiting for a wake-up.
// A read request with a bad checksum or a bad address, and an unknown
// command, get no reply at all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "emu/EmulatorSettings.h"
#include "emu/FaultPlan.h"
#include "emu/PacketAssembler.h"
#include "emu/WireProtocol.h"

namespace canalarm::emu {

enum class LinkState {
  kWaiting,   // for a wake-up pair
  kAgreeing,  // answered; waiting for the keep-key or new-key byte
  kNewKey,    // the new-key byte came; the key itself is next
  kInLink,    // packets
};

struct Reply {
  std::vector<std::uint8_t> bytes;  // as they go on the wire (masked)
  TimePoint notBefore;
};

struct Counters {
  int wakeAttempts = 0;   // since the emulator last began waiting
  int links = 0;          // keys agreed
  int packets = 0;        // complete packets, all links
  int packetsInLink = 0;  // complete packets of the current link
  int badChecksums = 0;
  int resets = 0;    // reset commands obeyed
  int restarts = 0;  // Restart() calls that left a conversation
};

class ModuleEmulator {
 public:
  // Receives one line of text per event (wake-up, agreement, packet, fault).
  using EventSink = std::function<void(TimePoint, std::string_view)>;

  ModuleEmulator(EmulatorSettings settings, const EepromImage& eeprom, EventSink events = {});

  // One byte off the line, received at `at`.
  void Receive(std::uint8_t byte, TimePoint at);

  // As after a restart through RTS: waiting for a wake-up, initial key, any
  // half-received packet dropped. `why` goes to the transcript.
  void Restart(TimePoint at, std::string_view why);

  // A restart asked for from outside (SIGUSR2), standing for the RTS pulse
  // that a pseudo-terminal cannot carry; always noted in the transcript.
  void RestartOnRequest(TimePoint at);

  // A module that hangs: from the next packet on nothing is answered until
  // a restart, as with --silent-after, but at a moment chosen from outside.
  void FallSilent(TimePoint at);

  // Hands over the replies queued since the last call, in order.
  std::vector<Reply> TakeReplies();

  // True once a fault closed the line; nothing is received or sent after it.
  bool Vanished() const { return vanished_; }

  LinkState State() const { return state_; }
  std::uint8_t Key() const { return key_; }
  bool Silent() const { return silent_; }
  const Counters& Counts() const { return counts_; }
  const FlashImage& Flash() const { return flash_; }
  const EepromImage& Eeprom() const { return eeprom_; }

 private:
  void Waiting(std::uint8_t byte, TimePoint at);
  void Agreeing(std::uint8_t byte, TimePoint at);
  void InLink(std::uint8_t byte, TimePoint at);
  void Assemble(std::uint8_t wireByte, TimePoint at);
  void Obey(const Packet& packet, int number, TimePoint at);
  std::uint8_t WriteBlock(const Packet& packet, Memory memory);
  void BeginWaiting();
  void BeginLink(TimePoint at, std::string text);
  void Send(std::vector<std::uint8_t> plain, TimePoint at, int packet);
  void Note(TimePoint at, std::string_view text);

  EmulatorSettings settings_;
  FaultPlan faults_;
  EventSink events_;
  FlashImage flash_;
  EepromImage eeprom_;
  PacketAssembler assembler_;
  std::vector<Reply> replies_;
  Counters counts_;
  LinkState state_ = LinkState::kWaiting;
  std::uint8_t key_ = kInitialKey;
  bool sawWakeFirst_ = false;
  bool silent_ = false;
  bool vanished_ = false;
  int byteInPacket_ = 0;  // wire bytes of the packet under way, lost ones included
};

}  // namespace canalarm::emu

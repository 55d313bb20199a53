// SPDX-License-Identifier: MIT
#include "emu/ModuleEmulator.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace canalarm::emu {

namespace {

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

std::string Describe(const Packet& p) {
  std::string what;
  switch (p.command) {
    case static_cast<std::uint8_t>(Command::kWriteFlash):
      what = "write FLASH";
      break;
    case static_cast<std::uint8_t>(Command::kWriteEeprom):
      what = "write EEPROM";
      break;
    case static_cast<std::uint8_t>(Command::kIdentity):
      what = "identity";
      break;
    case static_cast<std::uint8_t>(Command::kReadEeprom):
      what = "read EEPROM";
      break;
    case static_cast<std::uint8_t>(Command::kReset):
      what = "reset";
      break;
    default:
      what = "command " + Hex2(p.command);
      break;
  }
  what += " at " + (p.addressHigh != 0 ? Hex2(p.addressHigh) + ":" : std::string()) +
          Hex4(p.address) + ", " + std::to_string(p.length) + " byte(s)";
  return what;
}

bool OnBlock(const Packet& p, std::uint32_t first, std::uint32_t last) {
  return p.addressHigh == 0 && p.address >= first && p.address <= last &&
         p.address % kBlockBytes == 0;
}

}  // namespace

ModuleEmulator::ModuleEmulator(EmulatorSettings settings, const EepromImage& eeprom,
                               EventSink events)
    : settings_(std::move(settings)),
      faults_(settings_.faults, settings_.faultsFirstLinkOnly),
      events_(std::move(events)),
      eeprom_(eeprom) {
  flash_.fill(0xFF);
}

void ModuleEmulator::Note(TimePoint at, std::string_view text) {
  if (events_) events_(at, text);
}

void ModuleEmulator::Receive(std::uint8_t byte, TimePoint at) {
  if (vanished_) return;
  switch (state_) {
    case LinkState::kWaiting:
      Waiting(byte, at);
      break;
    case LinkState::kAgreeing:
      Agreeing(byte, at);
      break;
    case LinkState::kNewKey: {
      const std::uint8_t old = key_;
      key_ = static_cast<std::uint8_t>(byte ^ key_);
      BeginLink(at, "new key " + Hex2(key_) + " (was " + Hex2(old) + ")");
      break;
    }
    case LinkState::kInLink:
      InLink(byte, at);
      break;
  }
}

void ModuleEmulator::Waiting(std::uint8_t byte, TimePoint at) {
  const bool pair = sawWakeFirst_ && byte == (kWakeSecond ^ key_);
  sawWakeFirst_ = byte == kWakeFirst;
  if (!pair) return;
  sawWakeFirst_ = false;
  const int attempt = ++counts_.wakeAttempts;
  if (attempt <= settings_.answerAfter) {
    Note(at, "wake-up attempt " + std::to_string(attempt) + " ignored");
    return;
  }
  const std::uint8_t answer = kWakeAnswer ^ key_;
  std::vector<std::uint8_t> wire = FaultPlan::Garbage(settings_.garbage, answer);
  wire.push_back(answer);
  Note(at, "wake-up attempt " + std::to_string(attempt) + " answered" +
               (settings_.garbage > 0
                    ? " after " + std::to_string(settings_.garbage) + " garbage byte(s)"
                    : std::string()));
  replies_.push_back({std::move(wire), at + settings_.replyDelay});
  state_ = LinkState::kAgreeing;
}

void ModuleEmulator::Agreeing(std::uint8_t byte, TimePoint at) {
  const std::uint8_t plain = byte ^ key_;
  if (plain == kKeepKey) {
    BeginLink(at, "key kept " + Hex2(key_));
  } else if (plain == kNewKey) {
    state_ = LinkState::kNewKey;
  } else if (byte != kWakeFirst && plain != kWakeSecond) {
    // Wake-up pairs still on their way are expected; anything else is noise.
    Note(at, "byte " + Hex2(byte) + " ignored while agreeing the key");
  }
}

void ModuleEmulator::BeginLink(TimePoint at, std::string text) {
  state_ = LinkState::kInLink;
  ++counts_.links;
  counts_.packetsInLink = 0;
  byteInPacket_ = 0;
  assembler_.Clear();
  silent_ = false;
  faults_.NewLink();
  Note(at, text);
}

void ModuleEmulator::InLink(std::uint8_t byte, TimePoint at) {
  const int number = counts_.packetsInLink + 1;
  const bool last = assembler_.WouldComplete(static_cast<std::uint8_t>(byte ^ key_));
  InputAction action = faults_.OnInput(number, byteInPacket_++, last);
  for (const auto& note : action.notes) Note(at, note);
  if (action.vanish) {
    vanished_ = true;
    replies_.clear();
    return;
  }
  for (std::uint8_t noise : FaultPlan::Garbage(action.garbageBefore, 0)) Assemble(noise, at);
  if (action.drop) return;
  const auto received = static_cast<std::uint8_t>(byte ^ action.flipMask);
  if (state_ == LinkState::kInLink) {
    Assemble(received, at);
  } else {
    Receive(received, at);  // the invented bytes made a reset
  }
}

void ModuleEmulator::Assemble(std::uint8_t wireByte, TimePoint at) {
  if (state_ != LinkState::kInLink) return;  // invented bytes may end the link
  const auto packet = assembler_.Add(static_cast<std::uint8_t>(wireByte ^ key_));
  if (!packet) return;
  const int number = ++counts_.packetsInLink;
  ++counts_.packets;
  byteInPacket_ = 0;
  Obey(*packet, number, at);
}

void ModuleEmulator::Obey(const Packet& p, int number, TimePoint at) {
  const std::string head = "packet " + std::to_string(number) + ": " + Describe(p);
  if (settings_.silentAfter && number > *settings_.silentAfter) {
    if (!silent_) Note(at, "silent from packet " + std::to_string(number) + " on");
    silent_ = true;
  }
  if (silent_) {
    Note(at, head + " -> ignored (silent)");
    return;
  }
  const bool sumOk = p.ChecksumOk();
  if (!sumOk) ++counts_.badChecksums;
  const std::string sumNote =
      sumOk ? std::string()
            : ", bad checksum " + Hex2(p.checksum) + " (want " + Hex2(Checksum(p.Data())) + ")";

  switch (static_cast<Command>(p.command)) {
    case Command::kWriteFlash:
    case Command::kWriteEeprom: {
      const Memory memory = p.command == static_cast<std::uint8_t>(Command::kWriteFlash)
                                ? Memory::kFlash
                                : Memory::kEeprom;
      const std::uint8_t code = sumOk ? WriteBlock(p, memory) : kAckBadChecksum;
      Note(at, head + sumNote + " -> ack " + std::to_string(code));
      Send({code}, at, number);
      return;
    }
    case Command::kIdentity:
      if (!sumOk) break;
      Note(at, head + " -> identity " + Hex2(settings_.identity[0]) + " " +
                   Hex2(settings_.identity[1]));
      Send({p.command, settings_.identity[0], settings_.identity[1]}, at, number);
      return;
    case Command::kReadEeprom: {
      if (!sumOk) break;
      if (!OnBlock(p, 0, kEepromLastBlock)) {
        Note(at, head + ": address out of range, no reply");
        return;
      }
      std::vector<std::uint8_t> reply{p.command};
      const auto block = std::span(eeprom_).subspan(p.address, kBlockBytes);
      reply.insert(reply.end(), block.begin(), block.end());
      reply.push_back(Checksum(block));
      Note(at, head + " -> 18 bytes");
      Send(std::move(reply), at, number);
      return;
    }
    case Command::kReset:
      if (!sumOk) break;
      ++counts_.resets;
      Note(at, head + " -> waiting for a wake-up");
      BeginWaiting();
      return;
  }
  Note(at, head + sumNote + (sumOk ? ": unknown command" : std::string()) + ", no reply");
}

std::uint8_t ModuleEmulator::WriteBlock(const Packet& p, Memory memory) {
  if (p.length != kBlockBytes) return kAckBadLength;
  const bool flash = memory == Memory::kFlash;
  if (!(flash ? OnBlock(p, kFlashFirstWritable, kFlashLastBlock)
              : OnBlock(p, 0, kEepromLastBlock))) {
    return kAckBadAddress;
  }
  const std::uint32_t block = p.address / kBlockBytes;
  for (const ErrorAt& e : settings_.errors) {
    if (e.memory == memory && e.block == block) return e.code;
  }
  const auto data = p.Data();
  std::copy(data.begin(), data.end(), (flash ? flash_.begin() : eeprom_.begin()) + p.address);
  return kAckOk;
}

void ModuleEmulator::Send(std::vector<std::uint8_t> plain, TimePoint at, int packet) {
  for (auto& b : plain) b ^= key_;
  std::vector<std::string> notes;
  const auto extra = faults_.OnReply(packet, plain, key_, notes);
  for (const auto& note : notes) Note(at, note);
  replies_.push_back({std::move(plain), at + settings_.replyDelay + extra});
}

void ModuleEmulator::BeginWaiting() {
  state_ = LinkState::kWaiting;
  key_ = kInitialKey;
  sawWakeFirst_ = false;
  silent_ = false;
  counts_.wakeAttempts = 0;
  assembler_.Clear();
  byteInPacket_ = 0;
}

void ModuleEmulator::Restart(TimePoint at, std::string_view why) {
  if (vanished_) return;
  if (state_ != LinkState::kWaiting || counts_.wakeAttempts > 0) {
    ++counts_.restarts;
    Note(at, std::string("restart (") + std::string(why) + "): waiting for a wake-up");
  }
  BeginWaiting();
}

void ModuleEmulator::RestartOnRequest(TimePoint at) {
  if (vanished_) return;
  ++counts_.restarts;
  Note(at, "restart on request: waiting for a wake-up");
  BeginWaiting();
}

void ModuleEmulator::FallSilent(TimePoint at) {
  if (vanished_ || silent_) return;
  silent_ = true;
  Note(at, "silent on request from the next packet on");
}

std::vector<Reply> ModuleEmulator::TakeReplies() { return std::exchange(replies_, {}); }

}  // namespace canalarm::emu

// SPDX-License-Identifier: MIT
// One emulated module driven by a scripted byte stream, with its transcript.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WireScript.h"
#include "emu/EepromContents.h"
#include "emu/ModuleEmulator.h"

namespace canalarm::emu::test {

class Module {
 public:
  explicit Module(EmulatorSettings settings = {}, EepromImage eeprom = DefaultEeprom())
      : module_(std::move(settings), eeprom,
                [this](TimePoint, std::string_view line) { events_.emplace_back(line); }) {}

  void Send(const Bytes& bytes) {
    for (auto b : bytes) module_.Receive(b, now_);
  }
  void Wait(std::chrono::milliseconds d) { now_ += d; }

  // Everything replied since the last call, as it went on the wire.
  Bytes Wire() {
    Bytes out;
    for (const auto& r : module_.TakeReplies())
      out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    return out;
  }
  // The same, unmasked with the current key.
  Bytes Plain() { return Mask(Wire(), module_.Key()); }

  // Wakes the module and keeps the initial key, or switches to `newKey`.
  void Link(std::optional<std::uint8_t> newKey = {}) {
    Send(WakePair());
    ASSERT_EQ(Wire(), Bytes{0x11});
    if (newKey) {
      Send({kNewKey ^ kInitialKey, static_cast<std::uint8_t>(*newKey ^ kInitialKey)});
    } else {
      Send({kKeepKey ^ kInitialKey});
    }
    ASSERT_EQ(module_.State(), LinkState::kInLink);
  }

  // One request; returns the unmasked reply.
  Bytes Request(std::uint8_t command, std::uint16_t address, const Bytes& data = {},
                std::optional<std::uint8_t> checksum = {}) {
    Send(MaskedPacket(command, address, data, module_.Key(), checksum));
    return Plain();
  }

  ModuleEmulator& operator*() { return module_; }
  ModuleEmulator* operator->() { return &module_; }
  const std::vector<std::string>& Events() const { return events_; }
  TimePoint Now() const { return now_; }

 private:
  std::vector<std::string> events_;
  ModuleEmulator module_;
  TimePoint now_{};
};

}  // namespace canalarm::emu::test

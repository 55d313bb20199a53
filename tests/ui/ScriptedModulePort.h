// SPDX-License-Identifier: MIT
// A port with a bootloader behind it that answers at once: the wake-up, the
// key agreement, EEPROM and FLASH writes, EEPROM reads and the identity.
// Lets the window's operations run to their end without a serial device.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "link/LinkPort.h"

namespace canalarm::test {

class ScriptedModulePort : public LinkPort {
 public:
  ScriptedModulePort() { eeprom.fill(0xFF); }

  std::array<std::uint8_t, 256> eeprom;
  std::array<std::uint8_t, 2> identity{0x12, 0x34};
  bool answerWakeUp = true;  // false: a module without a bootloader
  std::vector<std::uint8_t> written;             // every byte, as on the line
  std::vector<std::vector<std::uint8_t>> packets;  // unmasked: command, address, length
  int opens = 0;
  bool failOpen = false;
  // Called with each packet's header as it arrives, before the answer.
  std::function<void(const std::vector<std::uint8_t>&)> onPacket;

  void Select(const PortChoice& choice) override { selected = choice; }
  void Open() override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void SetRts(bool) override {}
  void ClearInput() override { input_.clear(); }
  void WriteByte(std::uint8_t byte) override;
  bool ByteAvailable() override { return !input_.empty(); }
  std::uint8_t ReadByte() override;
  bool DrainOutput(std::chrono::milliseconds) override { return true; }
  void WaitForInput(std::chrono::steady_clock::time_point) override {}

  PortChoice selected;

 private:
  enum class State { Idle, WakeFirst, Agree, NewKey, Packet };
  void Reply(std::initializer_list<std::uint8_t> bytes);
  void HandlePacket();

  bool open_ = false;
  State state_ = State::Idle;
  std::uint8_t key_ = 0x5A;
  std::vector<std::uint8_t> packet_;
  std::deque<std::uint8_t> input_;
};

}  // namespace canalarm::test

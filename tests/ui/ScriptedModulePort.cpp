// SPDX-License-Identifier: MIT
#include "ScriptedModulePort.h"

#include <stdexcept>

#include "link/LinkProtocol.h"

namespace canalarm::test {

void ScriptedModulePort::Open() {
  if (failOpen) throw std::runtime_error("COM" + std::to_string(selected.comNumber) + ": no such port");
  open_ = true;
  ++opens;
  // Every operation restarts the module into its bootloader.
  state_ = State::Idle;
  key_ = kInitialLinkKey;
}

void ScriptedModulePort::WriteByte(std::uint8_t byte) {
  if (!open_) throw std::runtime_error("write on a closed port");
  written.push_back(byte);
  switch (state_) {
    case State::Idle:
      if (byte == kWakeFirst) state_ = State::WakeFirst;
      break;
    case State::WakeFirst:
      if ((byte ^ key_) == kWakeSecond && answerWakeUp) {
        Reply({kWakeAnswer});
        state_ = State::Agree;
      } else {
        state_ = State::Idle;
      }
      break;
    case State::Agree:
      state_ = (byte ^ key_) == kNewKey ? State::NewKey : State::Packet;
      break;
    case State::NewKey:
      key_ = byte ^ key_;
      state_ = State::Packet;
      break;
    case State::Packet:
      packet_.push_back(byte ^ key_);
      if (packet_.size() >= 5) {
        const std::size_t length = packet_[4];
        if (packet_.size() == 5 + length + (length > 0 ? 1 : 0)) HandlePacket();
      }
      break;
  }
}

std::uint8_t ScriptedModulePort::ReadByte() {
  if (input_.empty()) throw std::runtime_error("ReadByte on an empty port");
  const std::uint8_t byte = input_.front();
  input_.pop_front();
  return byte;
}

void ScriptedModulePort::Reply(std::initializer_list<std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) input_.push_back(b ^ key_);
}

void ScriptedModulePort::HandlePacket() {
  const std::uint8_t command = packet_[0];
  const std::uint16_t address = static_cast<std::uint16_t>(packet_[2] << 8 | packet_[3]);
  packets.push_back({packet_.begin(), packet_.begin() + 5});
  if (onPacket) onPacket(packets.back());
  switch (command) {
    case kCmdWriteFlash:
      Reply({0});
      break;
    case kCmdWriteEeprom:
      for (std::size_t i = 0; i < kBlockSize; ++i) eeprom[(address + i) & 0xFF] = packet_[5 + i];
      Reply({0});
      break;
    case kCmdReadIdentity:
      Reply({0, identity[0], identity[1]});
      break;
    case kCmdReadEeprom:
      input_.push_back(0 ^ key_);
      for (std::size_t i = 0; i < kBlockSize; ++i) input_.push_back(eeprom[(address + i) & 0xFF] ^ key_);
      input_.push_back(0 ^ key_);
      break;
    case kCmdReset:
      state_ = State::Idle;
      key_ = kInitialLinkKey;
      break;
    default:
      break;
  }
  packet_.clear();
}

}  // namespace canalarm::test

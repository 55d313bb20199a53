// SPDX-License-Identifier: MIT
// Collects the unmasked bytes of one request packet: command, address bits
// 23..16, 15..8, 7..0, length N, N data bytes and, when N > 0, a checksum.
// The length byte alone decides where a packet ends, so a damaged packet still
// ends where the tool meant it to, or one byte off for a lost or extra byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace canalarm::emu {

struct Packet {
  std::uint8_t command = 0;
  std::uint8_t addressHigh = 0;  // bits 23..16, 0 from the tool
  std::uint16_t address = 0;     // bits 15..0
  std::array<std::uint8_t, 255> dataBytes{};
  std::uint8_t length = 0;
  std::uint8_t checksum = 0;  // meaningful when length > 0

  std::span<const std::uint8_t> Data() const { return {dataBytes.data(), length}; }
  bool ChecksumOk() const;
};

class PacketAssembler {
 public:
  // Adds one unmasked byte; returns the packet it completes, if it does.
  std::optional<Packet> Add(std::uint8_t byte);
  // Whether `byte` would complete the packet under way.
  bool WouldComplete(std::uint8_t byte) const;
  void Clear() { received_ = 0; }

 private:
  static constexpr std::size_t kHeaderBytes = 5;
  std::size_t Total() const;  // once the header is in

  std::array<std::uint8_t, kHeaderBytes + 255 + 1> bytes_{};
  std::size_t received_ = 0;
};

}  // namespace canalarm::emu

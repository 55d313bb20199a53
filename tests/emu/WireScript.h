// SPDX-License-Identifier: MIT
// Builds what the tool puts on the wire, for driving the emulated module.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emu/WireProtocol.h"

namespace canalarm::emu::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Mask(Bytes bytes, std::uint8_t key) {
  for (auto& b : bytes) b ^= key;
  return bytes;
}

// One request packet as the tool frames it, masked with `key`. `checksum`
// replaces the right one, for damaged packets.
inline Bytes MaskedPacket(std::uint8_t command, std::uint16_t address, const Bytes& data,
                          std::uint8_t key, std::optional<std::uint8_t> checksum = {}) {
  Bytes plain{command, 0, static_cast<std::uint8_t>(address >> 8),
              static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(data.size())};
  plain.insert(plain.end(), data.begin(), data.end());
  if (!data.empty()) plain.push_back(checksum.value_or(Checksum(data)));
  return Mask(std::move(plain), key);
}

// The wake-up pair, 0x0F plain and 0x69 masked with the initial key.
inline Bytes WakePair() { return {kWakeFirst, kWakeSecond ^ kInitialKey}; }

inline Bytes Block(std::uint8_t first) {
  Bytes b(kBlockBytes);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(first + i);
  return b;
}

inline Bytes Filler() { return Bytes(kBlockBytes, 0xFF); }

}  // namespace canalarm::emu::test

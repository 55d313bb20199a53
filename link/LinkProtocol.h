// SPDX-License-Identifier: MIT
// The bytes of the bootloader's wire protocol.
//
// Every byte after the wake-up's first is XORed with the link key. A packet
// is: command, address bits 23..16 (always 0), 15..8, 7..0, length N, N data
// bytes and, only when N > 0, a checksum that makes the data bytes sum to 0
// modulo 256 (the header is not covered).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace canalarm {

inline constexpr std::uint8_t kInitialLinkKey = 0x5A;

// Wake-up and key agreement, before masking.
inline constexpr std::uint8_t kWakeFirst = 0x0F;   // always sent plain
inline constexpr std::uint8_t kWakeSecond = 0x69;  // 'i'
inline constexpr std::uint8_t kWakeAnswer = 0x4B;  // 'K'
inline constexpr std::uint8_t kKeepKey = 0x73;     // 's'
inline constexpr std::uint8_t kNewKey = 0x66;      // 'f', followed by the new key

enum LinkCommand : std::uint8_t {
  kCmdWriteFlash = 0,     // 16 bytes of program memory; one acknowledgement byte
  kCmdWriteEeprom = 1,    // 16 bytes of data EEPROM; one acknowledgement byte
  kCmdReadIdentity = 2,   // no data; 3-byte reply
  kCmdReadEeprom = 3,     // 16 filler bytes 0xFF; 18-byte reply
  kCmdReset = 4,          // no data; no answer
};

inline constexpr std::size_t kBlockSize = 16;
inline constexpr std::size_t kIdentityReplySize = 3;
inline constexpr std::size_t kReadReplySize = 18;

// The packet buffer that carries a packet's data out and a reply back.
using PacketBuffer = std::array<std::uint8_t, 257>;

// Two's complement of the 8-bit sum of `data`.
std::uint8_t PacketChecksum(std::span<const std::uint8_t> data);

// The masked bytes of one packet, as they go on the line.
std::vector<std::uint8_t> FramePacket(std::uint8_t command, std::uint16_t address,
                                      std::span<const std::uint8_t> data, std::uint8_t key);

}  // namespace canalarm

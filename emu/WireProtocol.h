// SPDX-License-Identifier: MIT
// The bootloader's side of the wire: the byte values, the command codes and
// the address ranges the emulated module accepts, and the clock it runs on.
// They restate link/LinkProtocol.h on purpose: the emulator is the other side,
// written on its own, so a wrong constant in the link fails against it.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace canalarm::emu {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

inline constexpr std::size_t kFlashBytes = 0x8000;
inline constexpr std::size_t kEepromBytes = 256;
inline constexpr std::size_t kBlockBytes = 16;
using FlashImage = std::array<std::uint8_t, kFlashBytes>;
using EepromImage = std::array<std::uint8_t, kEepromBytes>;

// Every link starts with this key, also after a restart.
inline constexpr std::uint8_t kInitialKey = 0x5A;

// Wake-up and agreement bytes before masking; kWakeFirst travels unmasked.
inline constexpr std::uint8_t kWakeFirst = 0x0F;
inline constexpr std::uint8_t kWakeSecond = 0x69;  // 'i'
inline constexpr std::uint8_t kWakeAnswer = 0x4B;  // 'K'
inline constexpr std::uint8_t kKeepKey = 0x73;     // 's'
inline constexpr std::uint8_t kNewKey = 0x66;      // 'f', then the new key

enum class Command : std::uint8_t {
  kWriteFlash = 0,
  kWriteEeprom = 1,
  kIdentity = 2,
  kReadEeprom = 3,
  kReset = 4,
};

// Acknowledgement codes of the write commands (0 = accepted).
inline constexpr std::uint8_t kAckOk = 0;
inline constexpr std::uint8_t kAckBadChecksum = 1;
inline constexpr std::uint8_t kAckBadAddress = 2;  // out of range, not on a block, bits 23..16 set
inline constexpr std::uint8_t kAckBadLength = 3;   // length other than 16

// FLASH below 512 holds the bootloader itself and is never written.
inline constexpr std::uint32_t kFlashFirstWritable = 512;
inline constexpr std::uint32_t kFlashLastBlock = kFlashBytes - kBlockBytes;    // 32752
inline constexpr std::uint32_t kEepromLastBlock = kEepromBytes - kBlockBytes;  // 240

inline constexpr std::size_t kIdentityReplyBytes = 3;
inline constexpr std::size_t kReadReplyBytes = 18;

// Two's complement of the 8-bit sum: adding it to the sum gives 0.
template <typename Range>
constexpr std::uint8_t Checksum(const Range& bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

}  // namespace canalarm::emu

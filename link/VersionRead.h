// SPDX-License-Identifier: MIT
// The version read: wakes the bootloader, optionally reads the two identity
// bytes, reads the version text from the last 16 bytes of the module's
// EEPROM, shows both in the log and restarts the module.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"

namespace canalarm {

inline constexpr int kVersionWakeTicks = 25;
inline constexpr int kIdentityReplyTicks = 50;
inline constexpr std::uint16_t kVersionTextAddress = 0xF0;

struct VersionReadResult {
  LinkOutcome outcome = LinkOutcome::PortOpenError;
  std::optional<std::array<std::uint8_t, 2>> identity;  // reply bytes 1 and 2
  std::optional<std::array<std::uint8_t, 16>> version;  // EEPROM 0xF0..0xFF
};

// "Device ID: %02X:%02X" with reply byte 2 first, then byte 1.
std::string DeviceIdLine(std::uint8_t byte1, std::uint8_t byte2);

// The version line: the label, ": " and the 16 bytes, untrimmed, as UTF-8.
std::string VersionLine(std::string_view label, const std::array<std::uint8_t, 16>& text);

// Whether the 16 bytes hold a version text: false when every byte is 0xFF
// (an erased EEPROM) or a control byte, so that nothing would be readable.
bool HoldsVersionText(const std::array<std::uint8_t, 16>& text);

// What the version line shows for bytes that hold no version text.
enum class MissingVersionText {
  ShowBytes,  // the bytes as they are, like any text (an erased module: 16 "˙")
  SayNone,    // "none", and why: "Program version: none (erased, all 16 bytes FF)"
};

// The version line of `missing`: VersionLine for a text, else as `missing` says.
std::string VersionLineFor(std::string_view label, const std::array<std::uint8_t, 16>& text,
                           MissingVersionText missing);

// Runs the version read against `link`, reporting to the log and to both
// progress bars. The port stays open when the bootloader was found.
VersionReadResult RunVersionRead(BootloaderLink& link, const PortChoice& port, bool readIdentity,
                                 MissingVersionText missing = MissingVersionText::ShowBytes);

}  // namespace canalarm

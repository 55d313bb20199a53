// SPDX-License-Identifier: MIT
// The EEPROM the emulated module starts with.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "emu/WireProtocol.h"

namespace canalarm::emu {

inline constexpr std::uint8_t kVersionTextAddress = 0xF0;  // 16 bytes to 0xFF
inline constexpr std::size_t kVersionTextBytes = 16;
inline constexpr std::string_view kDefaultVersionText = "CANALARM EMU 1.0";

// A module as a fitter would find it: erased bytes around a parameter block
// (option byte 1 0x0B: sound off, automatic arming, FI on; option byte 2 0x08:
// horn, FS2, mode FI; PIN 1234; CAN program 11) and the default version text.
EepromImage DefaultEeprom();

// Puts `text` at 0xF0..0xFF, padded with spaces. Throws std::invalid_argument
// when it is longer than 16 bytes.
void SetVersionText(EepromImage& eeprom, std::string_view text);

// The EEPROM in `path`: a 256-byte binary image, or a plain Intel HEX file
// whose data EEPROM records (0xF00000..0xF000FF) are taken, other bytes 0xFF.
// Throws std::runtime_error with a message for people when it can't.
EepromImage LoadEepromFile(const std::string& path);

// Writes `bytes` to `path` as they are. Throws std::runtime_error on failure.
void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace canalarm::emu

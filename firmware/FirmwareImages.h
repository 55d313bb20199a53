// SPDX-License-Identifier: MIT
// The memory images that a firmware file is read into.
#pragma once

#include <array>
#include <cstdint>

namespace canalarm {

inline constexpr std::uint8_t kErasedByte = 0xFF;
inline constexpr std::size_t kFlashSize = 0x8000;   // program memory 0x0000..0x7FFF
inline constexpr std::size_t kEepromSize = 256;     // data EEPROM 0x00..0xFF
inline constexpr std::size_t kConfigSize = 16;      // configuration bytes

// Linear addresses of the three memories in a HEX file.
inline constexpr std::uint32_t kFlashBase = 0x000000;
inline constexpr std::uint32_t kConfigBase = 0x300000;
inline constexpr std::uint32_t kEepromBase = 0xF00000;

struct FirmwareImages {
  std::array<std::uint8_t, kFlashSize> flash{};
  std::array<std::uint8_t, kEepromSize> eeprom{};
  std::array<std::uint8_t, kConfigSize> config{};
  // Highest image index at which a data record ended; -1 = no data.
  std::int32_t highestFlash = -1;
  std::int32_t highestEeprom = -1;

  FirmwareImages() { Erase(); }

  // Fills all three images with the erased value 0xFF.
  void Erase() {
    flash.fill(kErasedByte);
    eeprom.fill(kErasedByte);
    config.fill(kErasedByte);
  }
};

}  // namespace canalarm

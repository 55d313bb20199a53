// SPDX-License-Identifier: MIT
// The customer's settings in a module's EEPROM: the seven parameter bytes
// (PIN, CAN program number, two option bytes).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace canalarm {

using EepromView = std::span<const std::uint8_t, 256>;

// Whether the module holds settings: its four PIN bytes are digits 0..9. An
// erased or new module does not.
bool HoldsSettings(EepromView eeprom);

// Copies the seven parameter bytes of `from` into `to`; nothing else.
void CopySettings(EepromView from, std::span<std::uint8_t, 256> to);

// What writing `to` over `from` changes of the settings, by name:
// "PIN 9876 -> 2580, programNumber 55 -> 23, smartKey on -> off"; empty
// when the seven bytes are the same.
std::string SettingsChanges(EepromView from, EepromView to);

}  // namespace canalarm

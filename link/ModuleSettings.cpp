// SPDX-License-Identifier: MIT
#include "link/ModuleSettings.h"

#include <algorithm>
#include <cstdio>

#include "params/ParameterBlock.h"

namespace canalarm {

namespace {

std::string PinText(const ParameterSet& set) {
  if (!set.pin.empty()) return set.pin;
  std::string bytes;
  char hex[4];
  for (std::uint8_t b : set.modulePin.value_or(std::array<std::uint8_t, 4>{})) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    bytes += (bytes.empty() ? "" : " ") + std::string(hex);
  }
  return "none (" + bytes + ")";
}

}  // namespace

bool HoldsSettings(EepromView eeprom) {
  return std::all_of(kPinDigitAddresses.begin(), kPinDigitAddresses.end(),
                     [&](std::uint8_t address) { return eeprom[address] <= 9; });
}

void CopySettings(EepromView from, std::span<std::uint8_t, 256> to) {
  for (std::uint8_t address : kParameterAddresses) to[address] = from[address];
}

std::string SettingsChanges(EepromView from, EepromView to) {
  std::string changes;
  const auto add = [&changes](std::string_view name, const std::string& before, const std::string& after) {
    if (before == after) return;
    changes += (changes.empty() ? "" : ", ") + std::string(name) + " " + before + " -> " + after;
  };
  // Filled one bit at a time, not through the tab's interlock, so that every
  // changed bit is named.
  const ParameterSet before = FillParameters(from);
  const ParameterSet after = FillParameters(to);
  add("PIN", PinText(before), PinText(after));
  add("programNumber", before.programNumber, after.programNumber);
  for (const OptionSwitch& option : OptionSwitches()) {
    const auto bit = [&option](EepromView eeprom) {
      return (eeprom[option.address] & option.mask) != 0 ? "on" : "off";
    };
    add(option.name, bit(from), bit(to));
  }
  return changes;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "params/ParameterBlock.h"

#include <algorithm>

#include "firmware/HexRecordReader.h"

namespace canalarm {

namespace {

constexpr std::size_t kPinLength = 4;

constexpr OptionSwitch kSwitches[] = {
    {"soundOff", 0x21, 0x01, &ParameterSet::soundOff, "RadioButton4", "RadioButton5"},
    {"autoArming", 0x21, 0x02, &ParameterSet::autoArming, "RadioButton7", "RadioButton6"},
    {"locking", 0x21, 0x04, &ParameterSet::locking, "RadioButton9", "RadioButton8"},
    {"fiFunction", 0x21, 0x08, &ParameterSet::fiFunction, "RadioButton11", "RadioButton10"},
    {"fiDelay90", 0x21, 0x10, &ParameterSet::fiDelay90, "RadioButton13", "RadioButton12"},
    {"channel1GpsInfo", 0x21, 0x20, &ParameterSet::channel1GpsInfo, "RadioButton15",
     "RadioButton14"},
    {"smartKey", 0x21, 0x40, &ParameterSet::smartKey, "RadioButton17", "RadioButton16"},
    {"closingWindows", 0x21, 0x80, &ParameterSet::closingWindows, "RadioButton21",
     "RadioButton20"},
    {"channel2LiteOn", 0x61, 0x02, &ParameterSet::channel2LiteOn, "RadioButton19",
     "RadioButton18"},
    {"fs1", 0x61, 0x04, &ParameterSet::fs1, "CheckBox2", ""},
    {"fs2", 0x61, 0x08, &ParameterSet::fs2, "CheckBox1", ""},
    {"fs3", 0x61, 0x10, &ParameterSet::fs3, "CheckBox3", ""},
    {"modeFA", 0x61, 0x80, &ParameterSet::modeFA, "RadioButton23", "RadioButton22"},
};

std::uint8_t PinDigit(char c) {
  if (c < '0' || c > '9')
    throw ParameterError(std::string("'") + c + "' is not a valid PIN digit");
  return static_cast<std::uint8_t>(c - '0');
}

}  // namespace

std::span<const OptionSwitch> OptionSwitches() { return kSwitches; }

void SetFs1(ParameterSet& set, bool checked) {
  set.fs1 = checked;
  if (checked) set.fs3 = false;
}

void SetFs3(ParameterSet& set, bool checked) {
  set.fs3 = checked;
  if (checked) set.fs1 = false;
}

ParameterSet FillParameters(std::span<const std::uint8_t, 256> eeprom) {
  ParameterSet set;
  for (const OptionSwitch& sw : kSwitches) {
    const bool bit = (eeprom[sw.address] & sw.mask) != 0;
    if (sw.field == &ParameterSet::fs1) {
      SetFs1(set, bit);
    } else if (sw.field == &ParameterSet::fs3) {
      SetFs3(set, bit);
    } else {
      set.*sw.field = bit;
    }
  }
  std::array<std::uint8_t, kPinLength> pin{};
  for (std::size_t i = 0; i < kPinLength; ++i) pin[i] = eeprom[kPinDigitAddresses[i]];
  set.modulePin = pin;
  set.pin.clear();
  if (ModuleHasPin(set)) {
    for (std::uint8_t digit : pin) set.pin += static_cast<char>('0' + digit);
  }

  const std::uint8_t program = eeprom[kProgramNumberAddress];
  static constexpr char kHex[] = "0123456789ABCDEF";
  set.programNumber = {kHex[program >> 4], kHex[program & 0x0F]};
  set.spinValue = static_cast<std::uint8_t>((program >> 4) * 10 + (program & 0x0F));
  return set;
}

bool ModuleHasPin(const ParameterSet& set) {
  return set.modulePin &&
         std::all_of(set.modulePin->begin(), set.modulePin->end(), [](std::uint8_t b) { return b <= 9; });
}

void FoldParameters(const ParameterSet& set, std::span<std::uint8_t, 256> eeprom) {
  std::array<std::uint8_t, kPinLength> digits{};
  if (set.pin.empty() && set.modulePin && !ModuleHasPin(set)) {
    // A module without a PIN keeps its bytes: nobody typed one.
    digits = *set.modulePin;
  } else {
    if (set.pin.size() != kPinLength) throw ParameterError("the PIN must have four digits");
    for (std::size_t i = 0; i < kPinLength; ++i) digits[i] = PinDigit(set.pin[i]);
  }

  std::uint8_t option1 = 0;
  std::uint8_t option2 = 0;
  for (const OptionSwitch& sw : kSwitches) {
    if (!(set.*sw.field)) continue;
    (sw.address == kOptionByte1Address ? option1 : option2) |= sw.mask;
  }
  eeprom[kOptionByte1Address] = option1;
  eeprom[kOptionByte2Address] = option2;
  for (std::size_t i = 0; i < kPinLength; ++i) eeprom[kPinDigitAddresses[i]] = digits[i];
  eeprom[kProgramNumberAddress] = HexPairToByte(set.programNumber);
}

std::uint8_t SpinUp(std::uint8_t value) {
  auto v = static_cast<std::uint8_t>(value + 1);
  if (v > 99) v = 99;
  if (v % 10 == 0) ++v;
  return v;
}

std::uint8_t SpinDown(std::uint8_t value) {
  auto v = static_cast<std::uint8_t>(value - 1);
  if (v < 11) v = 11;
  if (v % 10 == 0) --v;
  return v;
}

std::string ModeCaption(std::string_view caption, bool modeFA) {
  std::string text(caption);
  const char from = modeFA ? 'I' : 'A';
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text[at] = modeFA ? 'A' : 'I';
  return text;
}

}  // namespace canalarm

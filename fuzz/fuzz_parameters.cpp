// SPDX-License-Identifier: MIT
// The parameter fill and fold: folding what was filled gives the seven bytes
// back, except where the tab can't show them (option byte 2 bits 0, 5 and 6;
// FS1 beside FS3), and never touches the other 249 bytes. The PIN bytes come
// back as they were, digits or not.
// A tab state of any texts either folds into the seven bytes or is refused
// before a byte changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "params/ParameterBlock.h"

using namespace canalarm;
using namespace canalarm::fuzz;

namespace {

using Eeprom = std::array<std::uint8_t, 256>;

bool IsParameterByte(std::size_t address) {
  return std::find(kParameterAddresses.begin(), kParameterAddresses.end(), address) !=
         kParameterAddresses.end();
}

std::uint8_t MaskOf(bool ParameterSet::*field) {
  for (const OptionSwitch& sw : OptionSwitches())
    if (sw.field == field) return sw.mask;
  Require(false, "switch listed");
  return 0;
}

void CheckOthersKept(const Eeprom& before, const Eeprom& after) {
  for (std::size_t a = 0; a < before.size(); ++a)
    if (!IsParameterByte(a)) Require(before[a] == after[a], "the other 249 bytes are kept");
}

void CheckFoldOfFill(const Eeprom& eeprom) {
  const ParameterSet set = FillParameters(eeprom);
  Eeprom folded = eeprom;
  FoldParameters(set, folded);
  CheckOthersKept(eeprom, folded);

  Require(folded[kOptionByte1Address] == eeprom[kOptionByte1Address], "option byte 1 kept");
  Require(folded[kProgramNumberAddress] == eeprom[kProgramNumberAddress], "program number kept");

  const bool pinShown = std::all_of(kPinDigitAddresses.begin(), kPinDigitAddresses.end(),
                                    [&](std::uint8_t a) { return eeprom[a] <= 9; });
  Require(pinShown == (set.pin.size() == 4), "PIN text is four digits exactly when all are");
  Require(pinShown || set.pin.empty(), "a module without a PIN shows none");
  for (std::uint8_t a : kPinDigitAddresses) Require(folded[a] == eeprom[a], "PIN byte kept");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Eeprom eeprom;
  eeprom.fill(0xFF);
  std::copy_n(data, std::min(size, eeprom.size()), eeprom.begin());
  CheckFoldOfFill(eeprom);

  // The option byte 2 exceptions, checked through the switches themselves.
  {
    const ParameterSet set = FillParameters(eeprom);
    Eeprom folded = eeprom;
    FoldParameters(set, folded);
    std::uint8_t expected = eeprom[kOptionByte2Address] & 0x9E;
    const std::uint8_t fs1 = MaskOf(&ParameterSet::fs1);
    const std::uint8_t fs3 = MaskOf(&ParameterSet::fs3);
    for (const OptionSwitch& sw : OptionSwitches()) {
      if (sw.address != kOptionByte2Address) continue;
      Require((expected & sw.mask) == sw.mask * static_cast<std::uint8_t>(set.*sw.field) ||
                  (sw.mask == fs1 && (expected & fs3)),
              "option byte 2 switch shown as stored");
    }
    if ((expected & fs1) && (expected & fs3)) expected &= static_cast<std::uint8_t>(~fs1);
    Require(folded[kOptionByte2Address] == expected, "option byte 2 kept but for its exceptions");
  }

  // A tab state from any texts.
  FuzzedDataProvider input(data, size);
  ParameterSet set;
  for (const OptionSwitch& sw : OptionSwitches()) set.*sw.field = input.ConsumeBool();
  set.pin = input.ConsumeRandomLengthString(12);
  set.programNumber = input.ConsumeRandomLengthString(4);
  const Eeprom before = eeprom;
  try {
    FoldParameters(set, eeprom);
  } catch (const ParameterError&) {
    Require(eeprom == before, "a refused fold changes nothing");
    return 0;
  }
  CheckOthersKept(before, eeprom);
  Require(set.pin.size() == 4, "only a four-digit PIN folds without a module's own");
  for (std::size_t i = 0; i < 4; ++i)
    Require(eeprom[kPinDigitAddresses[i]] == set.pin[i] - '0', "PIN digit stored");
  Require((eeprom[kOptionByte2Address] & 0x61) == 0, "option byte 2 bits 0, 5, 6 written as 0");
  return 0;
}

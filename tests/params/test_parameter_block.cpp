// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "params/ParameterBlock.h"

using namespace canalarm;
using Eeprom = std::array<std::uint8_t, 256>;

namespace {

Eeprom Filled(std::uint8_t value) {
  Eeprom eeprom;
  eeprom.fill(value);
  return eeprom;
}

}  // namespace

TEST(ParameterBlock, ErasedModule) {
  const ParameterSet set = FillParameters(Filled(0xFF));
  for (const OptionSwitch& sw : OptionSwitches()) {
    if (sw.field == &ParameterSet::fs1) {
      EXPECT_FALSE(set.fs1) << "FS3 is set after FS1 and clears it";
    } else {
      EXPECT_TRUE(set.*sw.field) << sw.name;
    }
  }
  // Bytes that are not digits are no PIN; they are kept as they were.
  EXPECT_EQ(set.pin, "");
  EXPECT_FALSE(ModuleHasPin(set));
  EXPECT_EQ(set.modulePin, (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(set.programNumber, "FF");
  EXPECT_EQ(set.spinValue, 165);
}

TEST(ParameterBlock, FillReadsEachBitIntoItsOwnSwitch) {
  for (const OptionSwitch& sw : OptionSwitches()) {
    Eeprom eeprom = Filled(0);
    eeprom[sw.address] = sw.mask;
    const ParameterSet set = FillParameters(eeprom);
    for (const OptionSwitch& other : OptionSwitches())
      EXPECT_EQ(set.*other.field, &other == &sw) << sw.name << " / " << other.name;
  }
}

TEST(ParameterBlock, PinDigitsAndProgramNumber) {
  Eeprom eeprom = Filled(0x5A);
  ParameterSet set = FillParameters(eeprom);
  set.pin = "0907";
  set.programNumber = "37";
  FoldParameters(set, eeprom);
  EXPECT_EQ(eeprom[0x26], 0);
  EXPECT_EQ(eeprom[0x66], 9);
  EXPECT_EQ(eeprom[0x27], 0);
  EXPECT_EQ(eeprom[0x67], 7);
  EXPECT_EQ(eeprom[0x28], 0x37);

  const ParameterSet back = FillParameters(eeprom);
  EXPECT_EQ(back.pin, "0907");
  EXPECT_EQ(back.programNumber, "37");
  EXPECT_EQ(back.spinValue, 37);

  // Anything but four digits is refused, before a byte changes (here with no
  // module's own PIN to keep).
  set.modulePin.reset();
  const Eeprom before = eeprom;
  for (const char* pin : {"", "1", "123", "123456", "12a4"}) {
    set.pin = pin;
    EXPECT_THROW(FoldParameters(set, eeprom), ParameterError) << pin;
    EXPECT_EQ(eeprom, before) << pin;
  }
}

// A module without a PIN (bytes that are not all digits) keeps its bytes
// through a fold, unless four digits were typed.
TEST(ParameterBlock, ModuleWithoutPinKeepsItsBytes) {
  for (const std::array<std::uint8_t, 4> pin :
       {std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}, std::array<std::uint8_t, 4>{0x0C, 3, 4, 5}}) {
    Eeprom eeprom = Filled(0);
    for (std::size_t i = 0; i < 4; ++i) eeprom[kPinDigitAddresses[i]] = pin[i];
    ParameterSet set = FillParameters(eeprom);
    EXPECT_EQ(set.pin, "");
    set.fs2 = true;
    Eeprom folded = Filled(0x77);
    FoldParameters(set, folded);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(folded[kPinDigitAddresses[i]], pin[i]);
    EXPECT_EQ(folded[0x61] & 0x08, 0x08);

    set.pin = "0907";
    FoldParameters(set, folded);
    EXPECT_EQ((std::array<std::uint8_t, 4>{folded[0x26], folded[0x66], folded[0x27], folded[0x67]}),
              (std::array<std::uint8_t, 4>{0, 9, 0, 7}));
  }
  // A module with a PIN whose field was emptied is refused, not kept.
  Eeprom eeprom = Filled(1);
  ParameterSet set = FillParameters(eeprom);
  EXPECT_EQ(set.pin, "1111");
  set.pin.clear();
  EXPECT_THROW(FoldParameters(set, eeprom), ParameterError);
}

TEST(ParameterBlock, FoldRebuildsOptionByteTwoAndKeepsOtherBytes) {
  Eeprom eeprom = Filled(0);
  eeprom[0x61] = 0xE1;  // FA, plus the unused bits 0, 5 and 6
  for (int i = 0; i < 256; ++i)
    if (i != 0x61) eeprom[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const Eeprom before = eeprom;
  ParameterSet set = FillParameters(eeprom);
  set.pin = "1234";
  FoldParameters(set, eeprom);
  EXPECT_EQ(eeprom[0x61], 0x80);
  for (int i = 0; i < 256; ++i) {
    const bool parameter = std::find(kParameterAddresses.begin(), kParameterAddresses.end(),
                                     i) != kParameterAddresses.end();
    if (!parameter) {
      EXPECT_EQ(eeprom[i], before[i]) << i;
    }
  }
}

TEST(ParameterBlock, FoldOfFillGivesTheBytesBack) {
  // Every image whose parameter bytes hold valid values comes back unchanged,
  // apart from the known exceptions: unused bits of option byte 2 and FS1
  // with FS3, which the interlock reduces to FS3.
  std::mt19937 random(20261208);
  for (int round = 0; round < 2000; ++round) {
    Eeprom eeprom;
    for (auto& b : eeprom) b = static_cast<std::uint8_t>(random());
    for (std::uint8_t address : kPinDigitAddresses) eeprom[address] %= 10;
    eeprom[0x61] &= 0x9E;
    if ((eeprom[0x61] & 0x14) == 0x14) eeprom[0x61] &= ~0x04;
    const Eeprom original = eeprom;
    FoldParameters(FillParameters(eeprom), eeprom);
    ASSERT_EQ(eeprom, original) << "round " << round;
  }
}

TEST(ParameterBlock, NonDigitPinChangesNothing) {
  Eeprom eeprom = Filled(0x33);
  ParameterSet set = FillParameters(Filled(0));
  for (const char* pin : {"12a4", "1 34", "-123"}) {
    set.pin = pin;
    EXPECT_THROW(FoldParameters(set, eeprom), ParameterError) << pin;
    EXPECT_EQ(eeprom, Filled(0x33)) << pin;
  }
}

// FS1 and FS3 exclude each other: checking one unchecks the other,
// unchecking leaves the other as it is, and FS2 is never touched.
TEST(ParameterBlock, HazardLightInterlock) {
  const struct {
    const char* what;
    bool fs1, fs2, fs3;
    bool changeFs1;  // else FS3
    bool checked;
    bool fs1After, fs2After, fs3After;
  } cases[] = {
      {"FS3 clears FS1", true, true, false, false, true, false, true, true},
      {"FS1 clears FS3", false, true, true, true, true, true, true, false},
      {"FS1 checked, FS3 off", false, false, false, true, true, true, false, false},
      {"unchecking FS1 leaves FS3 on", false, false, true, true, false, false, false, true},
      {"unchecking FS1 leaves FS3 off", true, false, false, true, false, false, false, false},
      {"unchecking FS3 leaves FS1 off", false, true, true, false, false, false, true, false},
  };
  for (const auto& c : cases) {
    ParameterSet set;
    set.fs1 = c.fs1;
    set.fs2 = c.fs2;
    set.fs3 = c.fs3;
    if (c.changeFs1) {
      SetFs1(set, c.checked);
    } else {
      SetFs3(set, c.checked);
    }
    EXPECT_EQ(set.fs1, c.fs1After) << c.what;
    EXPECT_EQ(set.fs2, c.fs2After) << c.what;
    EXPECT_EQ(set.fs3, c.fs3After) << c.what;
  }
}

TEST(ParameterBlock, SpinButtons) {
  const struct {
    int from, up, down;
  } cases[] = {{11, 12, 11}, {19, 21, 18}, {21, 22, 19}, {31, 32, 29}, {55, 56, 54},
               {98, 99, 97}, {99, 99, 98}, {165, 99, 164}, {0, 1, 255}};
  for (const auto& c : cases) {
    EXPECT_EQ(SpinUp(static_cast<std::uint8_t>(c.from)), c.up) << c.from;
    EXPECT_EQ(SpinDown(static_cast<std::uint8_t>(c.from)), c.down) << c.from;
  }
}

TEST(ParameterBlock, ModeCaptions) {
  EXPECT_EQ(ModeCaption("(4) FI mode ", true), "(4) FA mode ");
  EXPECT_EQ(ModeCaption("(4) FA mode ", false), "(4) FI mode ");
  EXPECT_EQ(ModeCaption("(5) FI delay ", false), "(5) FI delay ");  // no "A": unchanged
  EXPECT_EQ(ModeCaption("(4) Функция FI ", true), "(4) Функция FA ");
  EXPECT_EQ(ModeCaption("(5) Késleltetés FI", true), "(5) Késleltetés FA");
  EXPECT_EQ(ModeCaption("(4) FI Funkció ", true), "(4) FA Funkció ");
  EXPECT_EQ(ModeCaption("(5) Opóźnienie FI", true), "(5) Opóźnienie FA");
  EXPECT_EQ(ModeCaption("(5) Opóźnienie FA", false), "(5) Opóźnienie FI");
}

TEST(ParameterBlock, AFreshTabFoldsToItsStartBytes) {
  Eeprom eeprom = Filled(0);
  ParameterSet set;
  set.pin = "0000";
  FoldParameters(set, eeprom);
  EXPECT_EQ(eeprom[0x21], 0x01);
  EXPECT_EQ(eeprom[0x61], 0x00);
  EXPECT_EQ(eeprom[0x28], 0x11);
}

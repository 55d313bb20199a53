// SPDX-License-Identifier: MIT
// What the link commands take and show beside the operations: the
// language, the file's extents, the parameters of an erased module.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "cli/LinkCommands.h"
#include "cli/ParameterFields.h"
#include "firmware/FirmwareForm.h"

using namespace canalarm;
using namespace canalarm::cli;

TEST(LinkOptions, LanguageByTheWindowsCodesOrByNumber) {
  const struct {
    const char* text;
    int code;
  } cases[] = {
      {"pl", 0}, {"EN", 1}, {"De", 2}, {"ru", 3}, {"sk", 4}, {"cz", 5}, {"hu", 6},
      {"0", 0},  {"6", 6},
      {"7", -1}, {"", -1}, {"cs", -1}, {"pol", -1}, {"en ", -1}, {"-1", -1}, {"01", -1}, {"p", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseLanguageArgument(c.text), c.code) << '"' << c.text << '"';
}

TEST(LinkOptions, ExtentsAreOneLine) {
  const struct {
    std::int32_t highestFlash, highestEeprom;
    const char* line;
  } cases[] = {
      {0x1FFF, 255, "Flash = 7679B, Eeprom = 255B"},
      {0x7FFF, -1, "Flash = 32255B, Eeprom = none"},
      {-1, 3, "Flash = none, Eeprom = 3B"},
      {0x100, 0, "Flash = none, Eeprom = 0B"},  // only the bootloader's area, never written
      {0x200, 0, "Flash = 0B, Eeprom = 0B"},
  };
  for (const auto& c : cases) {
    FirmwareImages images;
    images.highestFlash = c.highestFlash;
    images.highestEeprom = c.highestEeprom;
    EXPECT_EQ(ExtentsLine(images), c.line);
  }
}

TEST(LinkOptions, FirmwareFormOfAName) {
  const struct {
    const char* name;
    FirmwareForm form;
  } cases[] = {
      {"fw.hex", FirmwareForm::Plain},          {"FW.HEX", FirmwareForm::Plain},
      {"dir.hexfw/fw.Hex", FirmwareForm::Plain}, {".hex", FirmwareForm::Plain},
      {"fw.hexfw", FirmwareForm::RecordEncoded}, {"fw.HEXFW", FirmwareForm::RecordEncoded},
      {"fw.txt", FirmwareForm::RecordEncoded},   {"fw.hex.bak", FirmwareForm::RecordEncoded},
      {"fwhex", FirmwareForm::RecordEncoded},    {"", FirmwareForm::RecordEncoded},
  };
  for (const auto& c : cases) EXPECT_EQ(FirmwareFormOfName(c.name), c.form) << c.name;
}

TEST(ParameterFields, AProgramNumberTheModuleDoesNotHoldIsNotSet) {
  const struct {
    std::uint8_t byte;
    const char* line;        // of the text
    const char* number;      // JSON; nullptr for null
    const char* byteHex;
  } cases[] = {
      {0x37, "programNumber = 37", "37", "37"},
      {0x11, "programNumber = 11", "11", "11"},
      {0x99, "programNumber = 99", "99", "99"},
      {0xFF, "programNumber = not set (byte ff)", nullptr, "ff"},  // erased
      {0x20, "programNumber = not set (byte 20)", nullptr, "20"},  // units digit 0
      {0x05, "programNumber = not set (byte 05)", nullptr, "05"},
      {0x3A, "programNumber = not set (byte 3a)", nullptr, "3a"},  // not BCD
  };
  for (const auto& c : cases) {
    std::array<std::uint8_t, 256> eeprom{};
    eeprom.fill(0xFF);
    eeprom[kProgramNumberAddress] = c.byte;
    const ParameterSet set = FillParameters(eeprom);
    const std::string text = ParametersText(set);
    EXPECT_NE(text.find(std::string(c.line) + "\n"), std::string::npos) << text;
    const auto json = ParametersJson(set);
    if (c.number) {
      EXPECT_EQ(json["programNumber"], c.number);
    } else {
      EXPECT_TRUE(json["programNumber"].is_null()) << json.dump();
    }
    EXPECT_EQ(json["programNumberByte"], c.byteHex);
  }
}

// Two fields that set the same bit or value differently, or FS1 with FS3,
// would leave one of them silently undone.
TEST(ParameterFields, ContradictionsAreNamed) {
  const struct {
    std::vector<std::string> fields;
    const char* conflict;  // the start of the message; empty: none
  } cases[] = {
      {{"fs1=on", "fs3=on"}, "fs1=on and fs3=on contradict each other: FS1 and FS3"},
      {{"fs3=1", "fs2=on", "fs1=yes"}, "fs1=yes and fs3=1 contradict each other"},
      {{"pin=1111", "pin=2222"}, "pin=1111 and pin=2222 contradict each other"},
      {{"mode=FI", "modeFA=on"}, "mode=FI and modeFA=on contradict each other"},
      {{"mode=fa", "mode=FI"}, "mode=fa and mode=FI contradict each other"},
      {{"program=23", "programNumber=24"}, "program=23 and programNumber=24 contradict each other"},
      {{"smartKey=on", "smartKey=0"}, "smartKey=on and smartKey=0 contradict each other"},
      {{"pin=1111", "pin=1111"}, ""},
      {{"mode=FA", "modeFA=1"}, ""},
      {{"smartKey=On", "smartKey=true"}, ""},
      {{"fs1=on", "fs3=off"}, ""},
      {{"fs1=off", "fs3=off"}, ""},
  };
  for (const auto& c : cases) {
    const std::string conflict = FieldConflict(c.fields);
    EXPECT_TRUE(conflict.starts_with(c.conflict) && conflict.empty() == (c.conflict[0] == '\0'))
        << conflict << " for " << c.fields.front();
  }
}

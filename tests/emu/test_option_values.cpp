// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <stdexcept>

#include "emu/OptionValues.h"
#include "emu/PortLink.h"

namespace canalarm::emu {
namespace {

TEST(OptionValues, IdentityIsGivenAsTheToolShowsIt) {
  // "Device ID: 34:12" comes from reply bytes 0x12 (byte 1) and 0x34 (byte 2).
  EXPECT_EQ(ParseIdentity("34:12"), (std::array<std::uint8_t, 2>{0x12, 0x34}));
  EXPECT_EQ(ParseIdentity("fF:0a"), (std::array<std::uint8_t, 2>{0x0A, 0xFF}));
  for (const char* bad : {"", "34", "34:", "3:12", "34:123", "34:12:00", "G0:00", "-1:00"}) {
    EXPECT_THROW(ParseIdentity(bad), std::invalid_argument) << bad;
  }
}

TEST(OptionValues, ErrorAtNamesAMemoryABlockAndACode) {
  const ErrorAt flash = ParseErrorAt("flash:32:5");
  EXPECT_EQ(flash.memory, Memory::kFlash);
  EXPECT_EQ(flash.block, 32u);
  EXPECT_EQ(flash.code, 5);
  const ErrorAt eeprom = ParseErrorAt("eeprom:0xF:255");
  EXPECT_EQ(eeprom.memory, Memory::kEeprom);
  EXPECT_EQ(eeprom.block, 15u);
  EXPECT_EQ(eeprom.code, 255);
  for (const char* bad : {"flash:31:5",  // the bootloader's own blocks
                          "flash:2048:5", "eeprom:16:1", "eeprom:1:0", "eeprom:1:256", "ram:1:1",
                          "flash:32", "flash::5", "flash:32:5:1", "flash:1x:5"}) {
    EXPECT_THROW(ParseErrorAt(bad), std::invalid_argument) << bad;
  }
}

TEST(OptionValues, Faults) {
  const struct {
    const char* text;
    FaultKind kind;
    Direction direction;
    int packet, byteIndex, bit, count;
    long delayMs;
  } good[] = {
      {"flip:in:3", FaultKind::kFlipBit, Direction::kIn, 3, -1, 0, 1, 0},
      {"flip:out:1:4:7", FaultKind::kFlipBit, Direction::kOut, 1, 4, 7, 1, 0},
      {"drop:out:2:0", FaultKind::kDropByte, Direction::kOut, 2, 0, 0, 1, 0},
      {"garbage:in:5:3", FaultKind::kInsertGarbage, Direction::kIn, 5, -1, 0, 3, 0},
      {"delay:7:1600", FaultKind::kDelayReply, Direction::kIn, 7, -1, 0, 1, 1600},
      {"short:4", FaultKind::kShortReply, Direction::kIn, 4, -1, 0, 1, 0},
      {"vanish:9", FaultKind::kVanish, Direction::kIn, 9, -1, 0, 1, 0},
  };
  for (const auto& g : good) {
    SCOPED_TRACE(g.text);
    const Fault f = ParseFault(g.text);
    EXPECT_EQ(f.kind, g.kind);
    EXPECT_EQ(f.direction, g.direction);
    EXPECT_EQ(f.packet, g.packet);
    EXPECT_EQ(f.byteIndex, g.byteIndex);
    EXPECT_EQ(f.bit, g.bit);
    EXPECT_EQ(f.count, g.count);
    EXPECT_EQ(f.delay.count(), g.delayMs);
  }
  for (const char* bad : {"", "flip", "flip:up:1", "flip:in:0", "flip:in:1:2:8", "drop:in:1:2:3",
                          "garbage:out:1:0", "delay:1", "short:x", "vanish:1:2", "melt:1"}) {
    EXPECT_THROW(ParseFault(bad), std::invalid_argument) << bad;
  }
}

TEST(OptionValues, WireSpeedAndPortNames) {
  EXPECT_EQ(ParseWireSpeed("line"), 0);
  EXPECT_EQ(ParseWireSpeed("9600"), 9600);
  EXPECT_THROW(ParseWireSpeed("0"), std::invalid_argument);
  EXPECT_THROW(ParseWireSpeed("fast"), std::invalid_argument);
  EXPECT_EQ(ParseComName("COM3"), 3);
  EXPECT_EQ(ParseComName("com12"), 12);
  for (const char* bad : {"COM", "COM0", "COM256", "COMX", "TTY1", "/dev/ttyS0"}) {
    EXPECT_THROW(ParseComName(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
}  // namespace canalarm::emu

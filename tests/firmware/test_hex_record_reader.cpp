// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "firmware/HexRecordReader.h"

using namespace canalarm;

namespace {

// A data or type-04 record with a correct checksum.
std::string Record(int type, unsigned address, const std::vector<std::uint8_t>& data) {
  char text[16];
  unsigned sum = data.size() + (address >> 8) + (address & 0xFF) + type;
  std::snprintf(text, sizeof text, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
  std::string line = text;
  for (std::uint8_t b : data) {
    std::snprintf(text, sizeof text, "%02X", b);
    line += text;
    sum += b;
  }
  std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + text;
}

std::string Upper(unsigned upper) {
  return Record(4, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
}

struct Reader {
  HexReadState state;
  FirmwareImages images;
  int Parse(std::string_view line) { return ParseHexRecord(line, state, images); }
};

}  // namespace

TEST(HexPairToByte, UpperCaseHexOnly) {
  const struct {
    std::string_view text;
    int value;
  } cases[] = {{"00", 0x00}, {"0A", 0x0A}, {"A0", 0xA0}, {"FF", 0xFF}, {"37", 0x37},
               {"7F9", 0x7F}, {"", 0},     {"F", 0},     {"ff", 0},    {"fF", 0},
               {"G1", 0},     {"1G", 0},   {" 1", 0},    {":1", 0}};
  for (const auto& c : cases) EXPECT_EQ(HexPairToByte(c.text), c.value) << c.text;
}

TEST(ReadHexRecord, ResultCodes) {
  const struct {
    std::string line;
    int result;
  } cases[] = {
      {":00000001FF", kRecordEnd},
      {":00000001ff", kRecordBadLine},   // lower-case end record reads as type 01
      {":00000001FF ", kRecordBadLine},  // so does one with a blank after it
      {"", kRecordBadLine},
      {";help", kRecordBadLine},
      {" :00000001FF", kRecordBadLine},
      {Record(0, 0x0100, {1, 2, 3}), kRecordAccepted},
      {Record(0, 0x0100, {1, 2, 3}) + "  trailing", kRecordAccepted},
      {Record(4, 0, {0x00, 0xF0}), kRecordAccepted},
      {Record(2, 0, {0x10, 0x00}), kRecordBadLine},  // extended segment address
      {Record(5, 0, {0, 0, 2, 0}), kRecordBadLine},
      {":0300000001020304", kRecordBadChecksum},
      {":0300000001020A03", kRecordBadChecksum},
      // A lower-case pair reads as 0 and breaks the checksum.
      {":03010000010a03EE", kRecordBadChecksum},
      // An extended address whose bytes sum to 0 is accepted with checksum 00.
      {":0200000400FA00", kRecordAccepted},
      // Lines too short for what they announce: never read past the end.
      {":", kRecordBadLine},
      {":10010000", kRecordBadLine},
      {":1001000001020304", kRecordBadLine},
      {Record(0, 0x0100, {1, 2, 3}).substr(0, 16), kRecordBadLine},  // checksum cut off
      {":02000004", kRecordBadLine},
      {":0200000400F0", kRecordBadLine},
      // A zero-count data record is accepted and stores nothing.
      {":00010000FF", kRecordAccepted},
      {":00010000FE", kRecordBadChecksum},
  };
  for (const auto& c : cases) {
    Reader r;
    EXPECT_EQ(r.Parse(c.line), c.result) << c.line;
  }
}

TEST(ReadHexRecord, AddressMapAndHighestValues) {
  Reader r;
  ASSERT_EQ(r.Parse(Upper(0x0000)), kRecordAccepted);
  ASSERT_EQ(r.Parse(Record(0, 0x0200, {0xAA, 0xBB})), kRecordAccepted);
  ASSERT_EQ(r.Parse(Record(0, 0x0100, {0x11})), kRecordAccepted);  // lower: highest stays
  ASSERT_EQ(r.Parse(Upper(0x00F0)), kRecordAccepted);
  ASSERT_EQ(r.Parse(Record(0, 0x0010, {0x21, 0x22})), kRecordAccepted);
  ASSERT_EQ(r.Parse(Upper(0x0030)), kRecordAccepted);
  ASSERT_EQ(r.Parse(Record(0, 0x0001, {0x1E, 0x1F})), kRecordAccepted);
  ASSERT_EQ(r.Parse(Upper(0x0020)), kRecordAccepted);  // ID locations: dropped
  ASSERT_EQ(r.Parse(Record(0, 0x0000, {1, 2, 3, 4, 5, 6, 7, 8})), kRecordAccepted);

  EXPECT_EQ(r.images.flash[0x200], 0xAA);
  EXPECT_EQ(r.images.flash[0x201], 0xBB);
  EXPECT_EQ(r.images.flash[0x100], 0x11);
  EXPECT_EQ(r.images.flash[0x202], 0xFF);  // untouched bytes stay erased
  EXPECT_EQ(r.images.eeprom[0x10], 0x21);
  EXPECT_EQ(r.images.eeprom[0x11], 0x22);
  EXPECT_EQ(r.images.config[1], 0x1E);
  EXPECT_EQ(r.images.config[2], 0x1F);
  EXPECT_EQ(r.images.highestFlash, 0x201);
  EXPECT_EQ(r.images.highestEeprom, 0x11);
  // Nothing of the ID-location record reached any image.
  EXPECT_EQ(std::count(r.images.flash.begin(), r.images.flash.end(), 0xFF), 0x8000 - 3);
  EXPECT_EQ(std::count(r.images.config.begin(), r.images.config.end(), 0xFF), 16 - 2);
}

TEST(ReadHexRecord, RecordsThatRunPastAnImage) {
  {
    // 16 bytes at 0x7FF8: the first 8 land, the rest are dropped, and the
    // highest FLASH address stays, since the last byte lies at 0x8007.
    Reader r;
    std::vector<std::uint8_t> data(16);
    for (int i = 0; i < 16; ++i) data[i] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(r.Parse(Record(0, 0x7FF8, data)), kRecordAccepted);
    EXPECT_EQ(r.images.flash[0x7FF8], 0);
    EXPECT_EQ(r.images.flash[0x7FFF], 7);
    EXPECT_EQ(r.images.highestFlash, -1);
  }
  {
    // A record may run on into the next 64 KiB: no wrap to the page start.
    Reader r;
    ASSERT_EQ(r.Parse(Upper(0x00EF)), kRecordAccepted);
    ASSERT_EQ(r.Parse(Record(0, 0xFFFE, {1, 2, 3, 4})), kRecordAccepted);
    EXPECT_EQ(r.images.eeprom[0], 3);
    EXPECT_EQ(r.images.eeprom[1], 4);
    EXPECT_EQ(r.images.highestEeprom, 1);
  }
  {
    // Nor at the top of the 32-bit space: nothing wraps into FLASH.
    Reader r;
    ASSERT_EQ(r.Parse(Upper(0xFFFF)), kRecordAccepted);
    ASSERT_EQ(r.Parse(Record(0, 0xFFFE, {1, 2, 3, 4})), kRecordAccepted);
    EXPECT_EQ(r.images.flash[0], 0xFF);
    EXPECT_EQ(r.images.flash[1], 0xFF);
    EXPECT_EQ(r.images.highestFlash, -1);
  }
}

TEST(ReadHexRecord, FailedChecksumsKeepTheirEffects) {
  Reader r;
  std::string bad = Record(0, 0x0300, {0x42, 0x43});
  bad.back() = bad.back() == '0' ? '1' : '0';
  EXPECT_EQ(r.Parse(bad), kRecordBadChecksum);
  EXPECT_EQ(r.images.flash[0x300], 0x42);
  EXPECT_EQ(r.images.highestFlash, 0x301);

  std::string badUpper = Upper(0x00F0);
  badUpper.back() = badUpper.back() == '0' ? '1' : '0';
  EXPECT_EQ(r.Parse(badUpper), kRecordBadChecksum);
  EXPECT_EQ(r.state.loadAddress, 0x00F00000u);

  // An unsupported type leaves the load address alone.
  EXPECT_EQ(r.Parse(Record(2, 0x1234, {0x10, 0x00})), kRecordBadLine);
  EXPECT_EQ(r.state.loadAddress, 0x00F00000u);
}

TEST(ReadHexRecord, ZeroCountRecordChangesNoHighestValue) {
  Reader r;
  ASSERT_EQ(r.Parse(Upper(0x00F0)), kRecordAccepted);
  ASSERT_EQ(r.Parse(":00001000F0"), kRecordAccepted);
  EXPECT_EQ(r.images.highestEeprom, -1);
  EXPECT_EQ(r.images.highestFlash, -1);
}

TEST(ReadHexRecord, TypeFourPositionsDoNotFollowTheCount) {
  // The count takes part in the checksum but the upper address always
  // stands at positions 10-13.
  Reader r;
  EXPECT_EQ(r.Parse(":050000040030C7"), kRecordAccepted);  // 05+00+00+04+00+30+C7 = 0x100
  EXPECT_EQ(r.state.loadAddress, 0x00300000u);
}

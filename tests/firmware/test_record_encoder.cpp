// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/PlainLineReader.h"
#include "firmware/RecordEncoder.h"
#include "firmware/TextLineReader.h"

using namespace canalarm;
using Lines = std::vector<std::string>;

namespace {

Lines Decode(std::string_view text) {
  TextLineReader reader(text);
  std::int32_t counter = 0;
  Lines lines;
  while (!reader.AtEnd()) lines.push_back(ReadPlainLine(reader, true, counter));
  return lines;
}

}  // namespace

TEST(RecordEncoder, RoundTripsHexAndHelpLines) {
  Lines plain;
  for (int i = 0; i < 120; ++i) plain.push_back(":10000000000102030405060708090A0B0C0D0E0F78");
  plain.push_back(":00000001FF");
  plain.push_back(";Zażółć gęślą jaźń");
  plain.push_back(";");
  plain.push_back("");
  EXPECT_EQ(Decode(EncodeRecordText(plain)), plain);
}

TEST(RecordEncoder, FillerLinesNeverBreakTheFile) {
  for (std::int32_t pair = 1; pair < 5000; ++pair) {
    const std::string filler = FillerLine(pair);
    ASSERT_EQ(filler.find_first_of(std::string("\n\r\x1A", 3)), std::string::npos);
    ASSERT_FALSE(filler.empty());
  }
  EXPECT_NE(FillerLine(1), FillerLine(2));
}

TEST(RecordEncoder, RefusesLinesThatWouldBreakTheFile) {
  // Pair 1, position 1 is enciphered with 'm' (0x6D): 0xAD + 0x6D = 0x11A.
  try {
    EncodeRecordText({":00000001FF", ";ok", "\xAD"});
    FAIL() << "no error";
  } catch (const EncodeError& e) {
    EXPECT_EQ(e.Pair(), 3);
  }
  // 0x9D + 0x6D = 0x10A (LF); 0xA0 + 0x6D = 0x10D (CR).
  EXPECT_THROW(EncodeRecordText({"\x9D"}), EncodeError);
  EXPECT_THROW(EncodeRecordText({"\xA0"}), EncodeError);
  // A plain line holding one of them is refused as well.
  EXPECT_THROW(EncodeRecordText({"a\x1A"}), EncodeError);
}

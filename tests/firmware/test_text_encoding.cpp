// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "firmware/TextEncoding.h"

using namespace canalarm;

TEST(TextEncoding, Utf8Validity) {
  const struct {
    std::string_view text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ASCII", true},
      {"Zażółć", true},
      {"Справка", true},
      {"\xF0\x9F\x98\x80", true},  // 4-byte form
      {"\xB3\xF3", false},         // Windows-1250 "łó"
      {"\xC3", false},             // cut short
      {"\xC0\xAF", false},         // overlong
      {"\xE0\x80\xAF", false},     // overlong
      {"\xED\xA0\x80", false},     // surrogate
      {"\xF4\x90\x80\x80", false}, // above U+10FFFF
      {"\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(TextEncoding, HelpLinesFromWindows1250) {
  EXPECT_EQ(Windows1250ToUtf8("Pomoc \xB3\xF3\xB9\x9C\x9F\xBF"), "Pomoc łóąśźż");
  EXPECT_EQ(Windows1250ToUtf8("\x80\x81\xA0"), "€\xC2\x81\xC2\xA0");
  EXPECT_EQ(HelpLineToUtf8("Zażółć"), "Zażółć");          // already UTF-8
  EXPECT_EQ(HelpLineToUtf8("\x8A\xE8"), "Šč");            // read as 1250
}

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

TEST(TextEncoding, HelpLinesFromWindows1251) {
  // "Справка" and the letters at both ends of the Cyrillic block.
  EXPECT_EQ(Windows1251ToUtf8("\xD1\xEF\xF0\xE0\xE2\xEA\xE0"), "Справка");
  EXPECT_EQ(Windows1251ToUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
  EXPECT_EQ(Windows1251ToUtf8("\x80\x88\x98"), "Ђ€\xC2\x98");
  // Russian help falls back to 1251, the others to 1250; UTF-8 stays.
  EXPECT_EQ(HelpLineToUtf8("\xCF\xEE\xEC\xEE\xF9\xFC", CodePage::Windows1251), "Помощь");
  EXPECT_EQ(HelpLineToUtf8("\xB3\xF3", CodePage::Windows1250), "łó");
  EXPECT_EQ(HelpLineToUtf8("Помощь", CodePage::Windows1251), "Помощь");
}

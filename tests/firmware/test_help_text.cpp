// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/HelpText.h"
#include "firmware/RecordEncoder.h"
#include "support/TempDir.h"

using namespace canalarm;
using Lines = std::vector<std::string>;

TEST(HelpText, HelpLinesOfPlainFiles) {
  const struct {
    std::string_view name;
    std::string text;
    Lines help;
  } cases[] = {
      {"no help", ":00000001FF\n", {}},
      {"after the end record", ":00000001FF\n;First\n;Second line\n", {"First", "Second line"}},
      {"just a semicolon", ":00000001FF\n;\n;x\n", {"", "x"}},
      {"blank before the semicolon", ":00000001FF\n ;not help\n;help\n", {"help"}},
      {"anywhere in the file", ";before\n:00000001FF\n;after\n", {"before", "after"}},
      {"8-bit bytes unchanged", ":00000001FF\n;Pomoc \xB3\xF3\r\n", {"Pomoc \xB3\xF3"}},
      {"text ends at 0x1A", ";a\n\x1A;b\n", {"a"}},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    const auto help = ReadHelpLines(dir.Write("f.hex", c.text), false);
    ASSERT_TRUE(help) << c.name;
    EXPECT_EQ(*help, c.help) << c.name;
  }
}

TEST(HelpText, RecordEncodedHelpUsesItsOwnPairNumber) {
  // Nine records put the help lines at pairs 10 and 11: keys of another
  // length than the records', counted from the first pair of the file.
  Lines plain(8, ":0400000000EF01F01C");
  plain.push_back(":00000001FF");
  plain.push_back(";Pair ten");
  plain.push_back(";Pair eleven");
  test::TempDir dir;
  const std::string file = dir.Write("f.hexfw", EncodeRecordText(plain));
  EXPECT_EQ(ReadHelpLines(file, true), (Lines{"Pair ten", "Pair eleven"}));
  // Read as plain, an encoded file shows no help (nothing begins with ';').
  EXPECT_EQ(ReadHelpLines(file, false), Lines{});
}

TEST(HelpText, FileThatCannotBeOpened) {
  test::TempDir dir;
  EXPECT_FALSE(ReadHelpLines((dir.Path() / "missing").string(), true));
  EXPECT_FALSE(ReadHelpLines("", false));
}

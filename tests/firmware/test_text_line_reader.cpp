// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/TextLineReader.h"
#include "support/TempDir.h"

using canalarm::TextLineReader;

namespace {

std::vector<std::string> AllLines(TextLineReader& reader) {
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

std::vector<std::string> LinesOf(std::string_view text) {
  TextLineReader reader(text);
  return AllLines(reader);
}

}  // namespace

TEST(TextLineReader, LineEndsAndSpecialBytes) {
  using Lines = std::vector<std::string>;
  const struct {
    std::string_view text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"\n", {""}},
      {"a\nb\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},                    // no line end after the last line
      {"a\r\nb\r\n", {"a", "b"}},              // CR LF
      {"a\rb\r\n", {"ab"}},                    // a lone CR is dropped
      {"a\r", {"a"}},
      {"\r\r\n\n", {"", ""}},
      {"a\nb\x1A" "c\nd\n", {"a", "b"}},       // 0x1A ends the text
      {"\x1A" "abc", {}},
      {"a\n\x1A\n", {"a"}},
      {std::string_view("a\0b\n", 4), {std::string("a\0b", 3)}},  // NUL is content
      {"\xFF\x80\n", {"\xFF\x80"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinesOf(c.text), c.lines) << "input: " << testing::PrintToString(std::string(c.text));
  }
}

TEST(TextLineReader, ReadingPastTheEndGivesEmptyLines) {
  TextLineReader reader("x");
  EXPECT_EQ(reader.ReadLine(), "x");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TextLineReader, LongLinesAcrossReadChunks) {
  // Longer than any read-ahead buffer, with CR LF split across the boundary
  // of 64 KiB chunks at every offset near it.
  canalarm::test::TempDir dir;
  for (std::size_t length : {65535u, 65536u, 65537u, 300000u}) {
    std::string line(length, 'x');
    line[length / 2] = '\r';  // lone CR inside the line
    const std::string file = dir.Write("long.txt", line + "\r\nend\r\n");
    auto reader = TextLineReader::OpenFile(file);
    ASSERT_TRUE(reader);
    std::string expected = line;
    expected.erase(length / 2, 1);
    EXPECT_EQ(AllLines(*reader), (std::vector<std::string>{expected, "end"})) << length;
  }
}

TEST(TextLineReader, FilesThatCannotBeOpened) {
  canalarm::test::TempDir dir;
  EXPECT_FALSE(TextLineReader::OpenFile(dir.Path() / "missing.hex"));
  EXPECT_FALSE(TextLineReader::OpenFile(dir.Path()));  // a directory
  EXPECT_FALSE(TextLineReader::OpenFile(""));
  auto empty = TextLineReader::OpenFile(dir.Write("empty.hex", ""));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->AtEnd());
}

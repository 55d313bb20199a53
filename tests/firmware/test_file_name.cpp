// SPDX-License-Identifier: MIT
// File names in UTF-8 reach their files, also names that no ANSI code page
// holds (the Windows build runs this under Wine, where a narrow name would
// turn such letters into '?').
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/FileName.h"
#include "firmware/FirmwareImages.h"
#include "firmware/FirmwareLoad.h"
#include "firmware/HelpText.h"
#include "firmware/Sha256.h"
#include "support/TempDir.h"

using namespace canalarm;

TEST(FileName, NamesOutsideTheAnsiCodePageReachTheirFiles) {
  const std::string text = ":00000001FF\n;Pomoc\n";
  const std::vector<std::uint8_t> bytes(text.begin(), text.end());
  const std::string names[] = {
      "plain.hex",
      "\xC5\x81\xC3\xB3" "d\xC5\xBA-\xD0\xBF\xD1\x80\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB2\xD0\xBA\xD0\xB0.hexfw",  // Łódź-прошивка
      "\xE6\x97\xA5\xE6\x9C\xAC.hex",  // CJK letters
      "\xF0\x9F\x94\xA7 fix.hex",      // beyond the 16-bit plane: a surrogate pair on Windows
  };
  for (const std::string& name : names) {
    test::TempDir dir;
    const std::filesystem::path path = dir.Path() / PathFromUtf8(name);
    {
      std::ofstream out(path, std::ios::binary);
      out << text;
      ASSERT_TRUE(out) << name;
    }
    // The folder holds the file under exactly that name.
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      listed.push_back(Utf8FromPath(entry.path().filename()));
    ASSERT_EQ(listed, std::vector<std::string>{name});

    const std::string file = Utf8FromPath(path);
    FirmwareImages images;
    EXPECT_EQ(LoadFirmware(file, false, images).outcome, LoadOutcome::Loaded) << name;
    EXPECT_EQ(ReadHelpLines(file, false), std::vector<std::string>{"Pomoc"}) << name;
    EXPECT_EQ(FileSha256Hex(file), Sha256Hex(bytes)) << name;
  }
}

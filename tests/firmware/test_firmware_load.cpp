// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "firmware/FirmwareLoad.h"
#include "firmware/RecordEncoder.h"
#include "firmware/TextLineReader.h"
#include "support/TempDir.h"

using namespace canalarm;

namespace {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  TextLineReader reader(text);
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

// A typical file: program data, EEPROM data, configuration bytes, help.
constexpr std::string_view kTypical =
    ":020000040000FA\n"
    ":0400000000EF01F01C\n"
    ":0A020000936A550E8A6E8A2AFED713\n"
    ":0200000400F00A\n"
    ":0400000001020304F2\n"
    ":020000040030CA\n"
    ":03000100021E1EBE\n"
    ":00000001FF\n"
    ";Help line one\n"
    "garbage after the end record is never read\n";

}  // namespace

TEST(FirmwareLoad, TypicalFilePlainAndRecordEncoded) {
  test::TempDir dir;
  const std::string plain = dir.Write("typical.hex", kTypical);
  const std::string encoded = dir.Write("typical.hexfw", EncodeRecordText(Lines(kTypical)));
  for (const auto& [file, decode] : {std::pair{plain, false}, std::pair{encoded, true}}) {
    FirmwareImages images;
    const LoadResult result = LoadFirmware(file, decode, images);
    EXPECT_EQ(result.outcome, LoadOutcome::Loaded) << file;
    EXPECT_EQ(result.lastResult, 3);
    EXPECT_EQ(result.records, 8);
    EXPECT_EQ(images.flash[0x0001], 0xEF);
    EXPECT_EQ(images.flash[0x0209], 0xD7);
    EXPECT_EQ(images.flash[0x0004], 0xFF);  // between records
    EXPECT_EQ(images.eeprom[3], 0x04);
    EXPECT_EQ(images.config[1], 0x02);
    EXPECT_EQ(images.config[3], 0x1E);
    EXPECT_EQ(images.highestFlash, 0x0209);
    EXPECT_EQ(images.highestEeprom, 3);
  }
}

TEST(FirmwareLoad, FilesThatFail) {
  const struct {
    std::string_view name;
    std::string text;
    int lastResult;
  } cases[] = {
      {"no end record", ":0400000000EF01F01C\n", 0},
      {"empty file", "", 0},
      {"lower-case end record", ":0400000000EF01F01C\n:00000001ff\n", 1},
      {"end record with a blank", ":00000001FF \n", 1},
      {"blank line first", "\n:00000001FF\n", 1},
      {"help line before the end", ";help\n:00000001FF\n", 1},
      {"checksum mismatch", ":0400000000EF01F01D\n:00000001FF\n", 2},
      {"end of text before the end record", ":0400000000EF01F01C\n\x1A:00000001FF\n", 0},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    const std::string file = dir.Write("bad.hex", c.text);
    FirmwareImages images;
    const LoadResult result = LoadFirmware(file, false, images);
    EXPECT_EQ(result.outcome, LoadOutcome::Failed) << c.name;
    EXPECT_EQ(result.lastResult, c.lastResult) << c.name;
  }
}

TEST(FirmwareLoad, NoFileAndFilesThatCannotBeOpened) {
  test::TempDir dir;
  FirmwareImages images;
  images.flash[5] = 0x12;
  images.highestFlash = 77;
  EXPECT_EQ(LoadFirmware("", true, images).outcome, LoadOutcome::NoFileSelected);
  EXPECT_EQ(images.flash[5], 0x12);  // nothing is touched without a file
  EXPECT_EQ(images.highestFlash, 77);

  for (const std::string& path : {(dir.Path() / "missing.hexfw").string(), dir.Path().string()}) {
    const LoadResult result = LoadFirmware(path, true, images);
    EXPECT_EQ(result.outcome, LoadOutcome::CannotOpen) << path;
    EXPECT_EQ(result.lastResult, -1);
    EXPECT_EQ(images.flash[5], 0xFF);  // erased before the open
  }
}

TEST(FirmwareLoad, EachFileIsPlacedOnItsOwn) {
  // A file without extended address records puts its data at 16-bit
  // addresses, whatever the file before it selected.
  test::TempDir dir;
  FirmwareImages images;
  const std::string first = dir.Write("a.hex", ":0200000400F00A\n:0400000001020304F2\n:00000001FF\n");
  const std::string second = dir.Write("b.hex", ":0400000000EF01F01C\n:00000001FF\n");
  ASSERT_EQ(LoadFirmware(first, false, images).outcome, LoadOutcome::Loaded);
  EXPECT_EQ(images.highestEeprom, 3);
  ASSERT_EQ(LoadFirmware(second, false, images).outcome, LoadOutcome::Loaded);
  EXPECT_EQ(images.flash[1], 0xEF);
  EXPECT_EQ(images.eeprom[0], 0xFF);
  EXPECT_EQ(images.highestEeprom, -1);
  EXPECT_EQ(images.highestFlash, 3);
}

TEST(FirmwareLoad, PlainFileReadAsRecordEncodedAndTheReverse) {
  test::TempDir dir;
  const std::string plain = dir.Write("typical.hex", kTypical);
  const std::string encoded = dir.Write("typical.hexfw", EncodeRecordText(Lines(kTypical)));
  FirmwareImages images;
  EXPECT_EQ(LoadFirmware(plain, true, images).outcome, LoadOutcome::Failed);
  EXPECT_EQ(LoadFirmware(encoded, false, images).outcome, LoadOutcome::Failed);
}

TEST(FirmwareLoad, PublicFilesLoad) {
  const std::filesystem::path folder = std::filesystem::path(CANALARM_SHARED_TESTDATA) / "public-hex";
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".hex") continue;
    ++files;
    FirmwareImages images;
    const LoadResult result = LoadFirmware(entry.path().string(), false, images);
    EXPECT_EQ(result.lastResult, 3) << entry.path();
    EXPECT_GE(images.highestFlash, 0) << entry.path();
    EXPECT_EQ(images.highestEeprom, -1) << entry.path();  // none of them has EEPROM data
  }
  EXPECT_EQ(files, 5);
}

TEST(FirmwareLoad, AssembledFilesMatchTheirSources) {
  const std::filesystem::path folder = CANALARM_ASSEMBLED_DIR;
  {
    // demo_firmware.asm
    FirmwareImages images;
    ASSERT_EQ(LoadFirmware((folder / "demo_firmware.hex").string(), false, images).outcome,
              LoadOutcome::Loaded);
    // goto start (0x200): EF00 F001, little-endian words.
    EXPECT_EQ(images.flash[0x0000], 0x00);
    EXPECT_EQ(images.flash[0x0001], 0xEF);
    EXPECT_EQ(images.flash[0x0002], 0x01);
    EXPECT_EQ(images.flash[0x0003], 0xF0);
    EXPECT_EQ(images.flash[0x0008], 0x11);  // retfie FAST
    EXPECT_EQ(images.flash[0x0200], 0x93);  // clrf TRISB, A (0x6A93)
    EXPECT_EQ(images.flash[0x0201], 0x6A);
    // dw 0x1234, 0x5678, 0x9ABC, 0xDEF0 at 0x7FF0, last byte 0x7FF7.
    EXPECT_EQ(images.flash[0x7FF0], 0x34);
    EXPECT_EQ(images.flash[0x7FF7], 0xDE);
    EXPECT_EQ(images.flash[0x7FF8], 0xFF);
    EXPECT_EQ(images.highestFlash, 0x7FF7);
    EXPECT_EQ(images.eeprom[0x00], 0x01);
    EXPECT_EQ(images.eeprom[0x03], 0x04);
    EXPECT_EQ(images.eeprom[0x04], 0xFF);
    EXPECT_EQ(images.eeprom[0x21], 0x0B);
    // PIN 2580: digits 1 and 3 at 0x26 and 0x27, digits 2 and 4 at 0x66 and 0x67.
    EXPECT_EQ(images.eeprom[0x26], 2);
    EXPECT_EQ(images.eeprom[0x66], 5);
    EXPECT_EQ(images.eeprom[0x27], 8);
    EXPECT_EQ(images.eeprom[0x67], 0);
    EXPECT_EQ(images.eeprom[0x28], 0x23);
    EXPECT_EQ(std::string(images.eeprom.begin() + 0xF0, images.eeprom.end()), "DEMO FW v1.02   ");
    EXPECT_EQ(images.highestEeprom, 0xFF);
    // CONFIG: OSC = HS (CONFIG1H = 0x02), WDT = OFF (CONFIG2H bit 0 clear).
    EXPECT_EQ(images.config[1], 0x02);
    EXPECT_EQ(images.config[3] & 0x01, 0x00);
  }
  {
    // eeprom_table.asm
    FirmwareImages images;
    ASSERT_EQ(LoadFirmware((folder / "eeprom_table.hex").string(), false, images).outcome,
              LoadOutcome::Loaded);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(images.eeprom[i], i) << i;
    EXPECT_EQ(images.highestEeprom, 0xFF);
    EXPECT_EQ(images.flash[0x0300], 0x07);  // movlw 0x07
    EXPECT_EQ(images.flash[0x03F8], 0xF9);  // addwf PCL, F, A (0x26F9)
    EXPECT_EQ(images.flash[0x0408], 0x87);  // retlw 0x87, the table's last entry
    EXPECT_EQ(images.highestFlash, 0x0409);
    EXPECT_EQ(images.config[3] & 0x01, 0x01);  // WDT = ON
  }
}

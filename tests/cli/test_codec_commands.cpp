// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/CodecCommands.h"
#include "cli/InfoCommand.h"
#include "support/TempDir.h"

using namespace canalarm::cli;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

nlohmann::json InfoJson(const std::string& file, bool plain) {
  std::ostringstream out, err;
  RunInfo({file, {plain, !plain}, true}, out, err);
  return nlohmann::json::parse(out.str());
}

int Encode(const EncodeOptions& options, std::string* errors = nullptr) {
  std::ostringstream out, err;
  const int status = RunEncode(options, out, err);
  if (errors) *errors = err.str();
  return status;
}

}  // namespace

TEST(CodecCommands, EncodeThenInfoGivesTheSameImages) {
  canalarm::test::TempDir dir;
  const std::filesystem::path assembled = CANALARM_ASSEMBLED_DIR;
  const std::string helpText = dir.Write("help.txt", "Line one\r\nZażółć\n");
  for (const char* name : {"demo_firmware.hex", "eeprom_table.hex"}) {
    const std::string input = (assembled / name).string();
    const std::string output = (dir.Path() / "out.hexfw").string();
    ASSERT_EQ(Encode({input, helpText, output}), 0) << name;
    const auto plain = InfoJson(input, true);
    const auto encoded = InfoJson(output, false);
    EXPECT_EQ(encoded["result"], 3) << name;
    for (const char* key : {"highestFlash", "highestEeprom", "flashSha256", "eepromSha256",
                            "configSha256"})
      EXPECT_EQ(encoded[key], plain[key]) << name << " " << key;
    EXPECT_EQ(encoded["help"], (nlohmann::json{"Line one", "Zażółć"})) << name;

    // And back: decode gives the plain records, end record and help lines.
    const std::string decoded = (dir.Path() / "back.hex").string();
    std::ostringstream out, err;
    ASSERT_EQ(RunDecode({output, decoded}, out, err), 0);
    EXPECT_EQ(InfoJson(decoded, true)["flashSha256"], plain["flashSha256"]);
    EXPECT_NE(ReadFile(decoded).find(":00000001FF\n;Line one\n;Zażółć\n"), std::string::npos);
  }
}

TEST(CodecCommands, EncodeKeepsTheInputsHelpAndDropsOtherTrailingLines) {
  canalarm::test::TempDir dir;
  const std::string input = dir.Write("in.hex", ":00000001FF\n;own help\nnot help\n\n;more\n");
  const std::string output = (dir.Path() / "out.hexfw").string();
  ASSERT_EQ(Encode({input, "", output}), 0);
  EXPECT_EQ(InfoJson(output, false)["help"], (nlohmann::json{"own help", "more"}));
}

TEST(CodecCommands, EncodeRefusesALineThatWouldBreakTheFile) {
  canalarm::test::TempDir dir;
  const std::string input = dir.Write("in.hex", ":00000001FF\n");
  // Help line 2 becomes pair 3, whose key starts with 'm' (0x6D) after the
  // ';': ';' is at position 1, so the next byte meets 'r' (0x72): 0xA8 + 0x72 = 0x11A.
  const std::string helpText = dir.Write("help.txt", "fine\n\xA8\n");
  const std::string output = (dir.Path() / "out.hexfw").string();
  std::string errors;
  EXPECT_EQ(Encode({input, helpText, output}, &errors), 2);
  EXPECT_NE(errors.find("help.txt line 2"), std::string::npos) << errors;
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_FALSE(std::filesystem::exists(output + ".tmp"));
}

TEST(CodecCommands, BadInputsAndOutputs) {
  canalarm::test::TempDir dir;
  const std::string input = dir.Write("in.hex", ":00000001FF\n");
  std::string errors;
  EXPECT_EQ(Encode({(dir.Path() / "missing.hex").string(), "", (dir.Path() / "o").string()}), 2);
  EXPECT_EQ(Encode({input, (dir.Path() / "missing.txt").string(), (dir.Path() / "o").string()}), 2);
  EXPECT_EQ(Encode({input, "", (dir.Path() / "no-such-dir" / "o.hexfw").string()}), 2);
  // A file that won't load is encoded all the same, with a warning.
  const std::string broken = dir.Write("broken.hex", ":0400000000EF01F01D\n:00000001FF\n");
  EXPECT_EQ(Encode({broken, "", (dir.Path() / "b.hexfw").string()}, &errors), 0);
  EXPECT_NE(errors.find("checksum mismatch"), std::string::npos) << errors;

  // A pair that decodes to a line break would come back as other lines:
  // refused. 'w' (0x77) minus 'm' (0x6D) is LF.
  std::ostringstream out, err;
  const std::string notEncoded = dir.Write("p.hex", "w\nfiller\n");
  EXPECT_EQ(RunDecode({notEncoded, (dir.Path() / "d").string()}, out, err), 2);
  EXPECT_NE(err.str().find("line pair 1"), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "d"));
  EXPECT_EQ(RunDecode({(dir.Path() / "missing").string(), (dir.Path() / "d").string()}, out, err), 2);
}

TEST(CodecCommands, AFileInTheOtherFormIsRefusedNotTurnedIntoNoise) {
  canalarm::test::TempDir dir;
  const std::string plain = (std::filesystem::path(CANALARM_ASSEMBLED_DIR) / "demo_firmware.hex").string();
  const std::string encoded = (dir.Path() / "demo.hexfw").string();
  ASSERT_EQ(Encode({plain, "", encoded}), 0);
  // A short plain file deciphers without a line break: it would be written as noise.
  const std::string small = dir.Write("small.hex", ":0400000000EF01F01C\n:00000001FF\n");
  for (const std::string& input : {plain, small}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunDecode({input, (dir.Path() / "d.hex").string()}, out, err), 2) << input;
    EXPECT_NE(err.str().find("is plain Intel HEX already"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "d.hex"));
  }
  std::string errors;
  EXPECT_EQ(Encode({encoded, "", (dir.Path() / "twice.hexfw").string()}, &errors), 2);
  EXPECT_NE(errors.find("is record-encoded already"), std::string::npos) << errors;
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "twice.hexfw"));
}

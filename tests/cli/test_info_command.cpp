// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/InfoCommand.h"
#include "support/TempDir.h"

using namespace canalarm::cli;

namespace {

struct CommandRun {
  int status;
  std::string out, err;
};

CommandRun Info(const std::string& file, FormChoice form, bool json) {
  std::ostringstream out, err;
  const int status = RunInfo({file, form, json}, out, err);
  return {status, out.str(), err.str()};
}

CommandRun Info(const std::string& file, bool plain, bool json) {
  return Info(file, FormChoice{plain, !plain}, json);
}

}  // namespace

TEST(InfoCommand, JsonOfALoadedFile) {
  canalarm::test::TempDir dir;
  const std::string file = dir.Write("f.hex",
                                     ":0200000400F00A\n:0400000001020304F2\n:00000001FF\n"
                                     ";Hello\n;Pomoc \xB3\xF3\n");
  const CommandRun run = Info(file, true, true);
  EXPECT_EQ(run.status, 0);
  const auto json = nlohmann::json::parse(run.out);  // exactly one object
  EXPECT_EQ(json["result"], 3);
  EXPECT_EQ(json["loaded"], true);
  EXPECT_EQ(json["highestFlash"], -1);
  EXPECT_EQ(json["highestEeprom"], 3);
  EXPECT_EQ(json["help"], (nlohmann::json{"Hello", "Pomoc łó"}));
  EXPECT_EQ(json["helpHex"], (nlohmann::json{"48656c6c6f", "506f6d6f6320b3f3"}));
  EXPECT_EQ(json["flashSha256"].get<std::string>().size(), 64u);
  EXPECT_NE(json["eepromSha256"], json["configSha256"]);
}

TEST(InfoCommand, ExitStatusAndResult) {
  canalarm::test::TempDir dir;
  const struct {
    std::string file;
    bool plain;
    int status;
    int result;
  } cases[] = {
      {dir.Write("ok.hex", ":00000001FF\n"), true, 0, 3},
      {dir.Write("checksum.hex", ":0400000000EF01F01D\n:00000001FF\n"), true, 1, 2},
      {dir.Write("noend.hex", ":0400000000EF01F01C\n"), true, 1, 0},
      {dir.Write("plain-as-encoded.hex", ":00000001FF\n"), false, 1, 1},
      {(dir.Path() / "missing.hex").string(), true, 2, -1},
      {dir.Path().string(), true, 2, -1},
  };
  for (const auto& c : cases) {
    const CommandRun run = Info(c.file, c.plain, true);
    EXPECT_EQ(run.status, c.status) << c.file;
    EXPECT_EQ(nlohmann::json::parse(run.out)["result"], c.result) << c.file;
    EXPECT_EQ(Info(c.file, c.plain, false).status, c.status) << c.file;
  }
  EXPECT_NE(Info((dir.Path() / "missing.hex").string(), true, false).err.find("cannot open"),
            std::string::npos);
}

TEST(InfoCommand, TheFormFollowsTheNameUnlessAnOptionSaysOtherwise) {
  canalarm::test::TempDir dir;
  const std::string records = ":0400000000EF01F01C\n:00000001FF\n";
  const FormChoice byName{}, plain{true, false}, encoded{false, true};
  const struct {
    std::string file;
    FormChoice form;
    const char* format;  // the form read
    int status;
  } cases[] = {
      {dir.Write("a.hex", records), byName, "hex", 0},
      {dir.Write("b.HEX", records), byName, "hex", 0},
      {dir.Write("c.hexfw", records), byName, "hexfw", 1},
      {dir.Write("d.txt", records), byName, "hexfw", 1},
      {dir.Write("e.hex.bak", records), byName, "hexfw", 1},
      {dir.Write("f.txt", records), plain, "hex", 0},
      {dir.Write("g.hex", records), encoded, "hexfw", 1},
  };
  for (const auto& c : cases) {
    const CommandRun run = Info(c.file, c.form, true);
    EXPECT_EQ(nlohmann::json::parse(run.out)["format"], c.format) << c.file;
    EXPECT_EQ(run.status, c.status) << c.file;
  }
}

TEST(InfoCommand, AFailedLoadSaysTheFormTriedAndHowToAskForTheOther) {
  canalarm::test::TempDir dir;
  const std::string plainRecords = dir.Write("fw.txt", ":0400000000EF01F01C\n:00000001FF\n");
  const std::string broken = dir.Write("broken.hex", ":0400000000EF01F01D\n:00000001FF\n");
  const struct {
    std::string file;
    FormChoice form;
    std::string said;
  } cases[] = {
      {plainRecords, {}, plainRecords + ": read as record-encoded (by its name): failed at line pair 1: "
                         "not a data or extended address record; it loads as plain Intel HEX: use --plain"},
      {plainRecords, {false, true}, plainRecords + ": read as record-encoded (--encoded): failed at line "
                                    "pair 1: not a data or extended address record; it loads as plain "
                                    "Intel HEX: use --plain"},
      {broken, {}, broken + ": read as plain Intel HEX (by its name): failed at line 1: checksum mismatch; "
                   "it does not load as record-encoded (--encoded) either"},
  };
  for (const auto& c : cases) {
    for (bool json : {false, true}) {
      const CommandRun run = Info(c.file, c.form, json);
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.err, "canalarm: " + c.said + "\n");
    }
  }
}

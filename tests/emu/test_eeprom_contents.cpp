// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "emu/EepromContents.h"
#include "emu/EmuCommandLine.h"
#include "support/TempDir.h"

namespace canalarm::emu {
namespace {

std::string VersionOf(const EepromImage& e) { return std::string(e.begin() + 0xF0, e.end()); }

TEST(EepromContents, VersionTextIsPaddedAndBounded) {
  EepromImage e = DefaultEeprom();
  EXPECT_EQ(VersionOf(e), "CANALARM EMU 1.0");
  SetVersionText(e, "V2");
  EXPECT_EQ(VersionOf(e), "V2              ");
  EXPECT_EQ(e[0xEF], 0xFF);
  EXPECT_THROW(SetVersionText(e, "seventeen chars!!"), std::invalid_argument);
}

TEST(EepromContents, LoadsBinaryAndHexImages) {
  test::TempDir dir;
  std::string binary(256, '\0');
  for (int i = 0; i < 256; ++i) binary[i] = static_cast<char>(255 - i);
  const EepromImage fromBinary = LoadEepromFile(dir.Write("e.bin", binary));
  EXPECT_EQ(fromBinary[0], 255);
  EXPECT_EQ(fromBinary[255], 0);

  const EepromImage fromHex =
      LoadEepromFile(dir.Write("e.hex", ":0200000400F00A\n:0400000001020304F2\n:00000001FF\n"));
  EXPECT_EQ(fromHex[0], 1);
  EXPECT_EQ(fromHex[3], 4);
  EXPECT_EQ(fromHex[4], 0xFF);

  for (const auto& [name, content] : {std::pair{"short.bin", std::string(255, 'x')},
                                      std::pair{"bad.hex", std::string(":0400000001020304F3\n")}}) {
    EXPECT_THROW(LoadEepromFile(dir.Write(name, content)), std::runtime_error) << name;
  }
  EXPECT_THROW(LoadEepromFile((dir.Path() / "missing").string()), std::runtime_error);
}

TEST(EmuCommandLine, VersionTextGoesOverTheStartingEeprom) {
  test::TempDir dir;
  const std::string file = dir.Write("e.bin", std::string(256, 'A'));
  const char* argv[] = {"canalarm-emu", "--eeprom", file.c_str(), "--version-text", "X",
                        "--wire-speed", "line",     "--error-at", "eeprom:1:7",     "--error-at",
                        "flash:40:9",   "--link",   "COM4",       "--silent-after", "0"};
  EmuCommandLine commandLine;
  commandLine.Parse(static_cast<int>(std::size(argv)), argv);
  const EmuConfig& c = commandLine.Config();
  EXPECT_EQ(c.eeprom[0], 'A');
  EXPECT_EQ(VersionOf(c.eeprom), "X               ");
  EXPECT_TRUE(c.loop.wireFromLine);
  EXPECT_EQ(c.settings.errors.size(), 2u);
  EXPECT_EQ(c.linkCom, 4);
  EXPECT_EQ(c.settings.silentAfter, 0);
  EXPECT_EQ(c.loop.idleReset.count(), 450);
}

}  // namespace
}  // namespace canalarm::emu

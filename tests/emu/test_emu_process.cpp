// SPDX-License-Identifier: MIT
// The emulator program on its pseudo-terminal, driven by hand as the tool would.
#include <gtest/gtest.h>
#include <termios.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <thread>

#include "EmuProcess.h"
#include "WireScript.h"
#include "support/TempDir.h"

namespace canalarm::emu::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Generous: the machine may be loaded and the build sanitized.
constexpr seconds kPatience{20};

Bytes FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Plain(Bytes wire) { return Mask(std::move(wire), kInitialKey); }

TEST(EmuProcess, AnswersAVersionReadAndWritesOnItsLinkedPort) {
  canalarm::test::TempDir dir;
  const fs::path eepromDump = dir.Path() / "eeprom.bin";
  const fs::path flashDump = dir.Path() / "flash.bin";
  const fs::path transcript = dir.Path() / "transcript.txt";
  // --idle-reset 0: a test stalled by a loaded machine must not look like a restart.
  EmuProcess emu(
      {"--idle-reset", "0", "--link", "COM7", "--version-text", "EMU TEST 2.5", "--identity",
       "34:12", "--exit-after-reset", "1", "--dump-eeprom", eepromDump.string(), "--dump-flash",
       flashDump.string(), "--transcript", transcript.string()},
      {"XDG_CONFIG_HOME=" + dir.Path().string()});
  ASSERT_TRUE(emu.DevicePath().starts_with("/dev/pts/")) << "refusing " << emu.DevicePath();

  const fs::path link = dir.Path() / "canalarm" / "ports" / "com7";
  ASSERT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  const std::string target = fs::read_symlink(link).string();
  ASSERT_TRUE(target.starts_with("/dev/pts/")) << "refusing " << target;
  EXPECT_EQ(target, emu.DevicePath());

  ToolLine line(target, B38400);
  ASSERT_TRUE(line.WakeUp(kPatience));
  line.Write({kKeepKey ^ kInitialKey});

  line.Write(MaskedPacket(2, 0, {}, kInitialKey));
  EXPECT_EQ(Plain(line.Read(3, kPatience)), (Bytes{0x02, 0x12, 0x34}));

  line.Write(MaskedPacket(3, 0xF0, Filler(), kInitialKey));
  const Bytes version = Plain(line.Read(18, kPatience));
  ASSERT_EQ(version.size(), 18u);
  EXPECT_EQ(version[0], 0x03);
  EXPECT_EQ(std::string(version.begin() + 1, version.end() - 1), "EMU TEST 2.5    ");
  EXPECT_EQ(version[17], Checksum(std::span(version).subspan(1, 16)));

  line.Write(MaskedPacket(1, 0x10, Block(0x30), kInitialKey));
  EXPECT_EQ(Plain(line.Read(1, kPatience)), Bytes{0});
  line.Write(MaskedPacket(0, 0x0200, Block(0x50), kInitialKey));
  EXPECT_EQ(Plain(line.Read(1, kPatience)), Bytes{0});
  line.Write(MaskedPacket(4, 0, {}, kInitialKey));

  EXPECT_EQ(emu.WaitForExit(kPatience), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link outlived the emulator";
  const Bytes eeprom = FileBytes(eepromDump);
  ASSERT_EQ(eeprom.size(), 256u);
  EXPECT_EQ(Bytes(eeprom.begin() + 0x10, eeprom.begin() + 0x20), Block(0x30));
  const Bytes flash = FileBytes(flashDump);
  ASSERT_EQ(flash.size(), 0x8000u);
  EXPECT_EQ(Bytes(flash.begin() + 0x200, flash.begin() + 0x210), Block(0x50));
  EXPECT_EQ(flash[0x1FF], 0xFF);

  std::ifstream in(transcript);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(text.find("key kept 0x5A"), std::string::npos) << text;
  EXPECT_NE(text.find("packet 5: reset"), std::string::npos) << text;
}

TEST(EmuProcess, PacesAtTheLineSpeedRestartsWhenQuietAndStopsOnSigterm) {
  canalarm::test::TempDir dir;
  const fs::path eepromDump = dir.Path() / "eeprom.bin";
  EmuProcess emu(
      {"--wire-speed", "line", "--idle-reset", "1000", "--dump-eeprom", eepromDump.string()},
      {"XDG_CONFIG_HOME=" + dir.Path().string()});
  ToolLine line(emu.DevicePath(), B1200);
  ASSERT_TRUE(line.WakeUp(kPatience));
  line.Write({kKeepKey ^ kInitialKey});

  // 22 bytes there and 18 back take at least 40 * 8.33 ms at 1200 bit/s.
  const auto start = std::chrono::steady_clock::now();
  line.Write(MaskedPacket(3, 0xF0, Filler(), kInitialKey));
  EXPECT_EQ(line.Read(18, kPatience).size(), 18u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));

  // A quiet line restarts the module: requests go unanswered until a wake-up.
  std::this_thread::sleep_for(milliseconds(1500));
  line.Write(MaskedPacket(2, 0, {}, kInitialKey));
  EXPECT_TRUE(line.Read(1, milliseconds(1500)).empty());
  ASSERT_TRUE(line.WakeUp(kPatience));
  line.Write({kKeepKey ^ kInitialKey});
  line.Write(MaskedPacket(1, 0x20, Block(0x60), kInitialKey));
  EXPECT_EQ(Plain(line.Read(1, kPatience)), Bytes{0});

  emu.Signal(SIGTERM);
  EXPECT_EQ(emu.WaitForExit(kPatience), 0);
  const Bytes eeprom = FileBytes(eepromDump);
  ASSERT_EQ(eeprom.size(), 256u);
  EXPECT_EQ(Bytes(eeprom.begin() + 0x20, eeprom.begin() + 0x30), Block(0x60));
}

TEST(EmuProcess, Sigusr2RestartsTheModuleAndDropsWhatItStillHadToSay) {
  // No quiet-line restart: only the signal can make the module take a
  // wake-up again in the middle of a link.
  canalarm::test::TempDir dir;
  const fs::path transcript = dir.Path() / "transcript.txt";
  EmuProcess emu({"--idle-reset", "0", "--reply-delay", "1000", "--transcript", transcript.string()});
  ToolLine line(emu.DevicePath(), B38400);
  ASSERT_TRUE(line.WakeUp(kPatience));
  line.Write({kKeepKey ^ kInitialKey});
  // The identity request is taken; its reply is held back a second, and the
  // restart comes before it leaves.
  line.Write(MaskedPacket(2, 0, {}, kInitialKey));
  auto noted = [&](const char* text) {
    std::ifstream in(transcript);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return all.find(text) != std::string::npos;
  };
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!noted("packet 1: ") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(1));
  emu.Signal(SIGUSR2);
  while (!noted("restart on request") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(1));
  ASSERT_TRUE(noted("restart on request"));
  // Waiting for a wake-up: the pair is answered (held back too), and the
  // identity reply never comes.
  ASSERT_TRUE(line.WakeUp(kPatience));
  line.Write({kKeepKey ^ kInitialKey});
  for (std::uint8_t b : line.Read(16, milliseconds(1500))) EXPECT_EQ(b ^ kInitialKey, 0x4B) << int(b);
}

TEST(EmuProcess, AReplyOnItsWayKeepsTheLineAwake) {
  // The line is quiet longer than the idle time while each reply is held
  // back, yet the module must not restart under it.
  EmuProcess emu({"--reply-delay", "1500", "--idle-reset", "1000"});
  ToolLine line(emu.DevicePath(), B38400);
  ASSERT_TRUE(line.WakeUp(kPatience));
  line.Write({kKeepKey ^ kInitialKey});
  for (int request = 1; request <= 2; ++request) {
    SCOPED_TRACE(request);
    line.Write(MaskedPacket(2, 0, {}, kInitialKey));
    EXPECT_EQ(Plain(line.Read(3, kPatience)).size(), 3u);
  }
}

}  // namespace
}  // namespace canalarm::emu::test

// SPDX-License-Identifier: MIT
// The operations against the emulated module, on a virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "FakeLinkPort.h"
#include "TestLinkHost.h"
#include "emu/ModuleEmulator.h"
#include "link/FirmwareUpload.h"
#include "link/VersionRead.h"
#include "link/ParameterTransfer.h"
#include "support/TempDir.h"

using namespace canalarm;
using namespace canalarm::test;
using std::chrono::milliseconds;
using Lines = std::vector<std::string>;

namespace {

// A module on the fake port: what is written reaches the emulator, its
// replies arrive when it lets them go.
struct Bench {
  TestLinkHost host;
  FakeLinkPort port{host.now};
  BootloaderLink link{port, host};
  std::unique_ptr<emu::ModuleEmulator> module;
  SharedImages shared;
  PlainParameterTab tab;

  explicit Bench(emu::EmulatorSettings settings = {}, emu::EepromImage eeprom = Erased()) {
    module = std::make_unique<emu::ModuleEmulator>(settings, eeprom);
    host.Watch(port);
    port.onWrite = [this](std::uint8_t byte) {
      module->Receive(byte, host.now);
      for (const emu::Reply& reply : module->TakeReplies()) {
        const auto delay = std::max(reply.notBefore, host.now) - host.now;
        for (std::uint8_t b : reply.bytes)
          port.Deliver(b, std::chrono::duration_cast<milliseconds>(delay));
      }
    };
    port.onRts = [this](bool on) {
      if (on) module->Restart(host.now, "RTS");
    };
  }

  static emu::EepromImage Erased() {
    emu::EepromImage image;
    image.fill(0xFF);
    return image;
  }

  int Packets() const { return module->Counts().packets; }
};

constexpr PortChoice kCom1{1, "", 9600};

std::string English(MessageRole role) { return std::string(Message(Language::English, role)); }

std::string WriteDemoFile(const test::TempDir& dir) {
  return dir.Write("demo.hex",
                   ":0400000000EF01F01C\n"
                   ":10020000000102030405060708090A0B0C0D0E0F76\n"
                   ":0200000400F00A\n"
                   ":0400000001020304F2\n"
                   ":00000001FF\n");
}

}  // namespace

TEST(VersionRead, LogAndPortLeftOpen) {
  emu::EepromImage eeprom = Bench::Erased();
  const std::string text = "VERSION 3.1\xB3   X";
  std::copy(text.begin(), text.end(), eeprom.begin() + 0xF0);
  emu::EmulatorSettings settings;
  settings.identity = {0x12, 0x34};
  Bench bench(settings, eeprom);
  const VersionReadResult result = RunVersionRead(bench.link, kCom1, true);
  EXPECT_EQ(result.outcome, LinkOutcome::Done);
  EXPECT_EQ(bench.host.log, (Lines{"Waiting for bootloader...", "OK", "Device ID: 34:12",
                                   "Program version: VERSION 3.1ł   X", "Finished"}));
  EXPECT_EQ(bench.host.status, "OK. Restart CPU...");
  EXPECT_TRUE(bench.port.IsOpen());
  EXPECT_EQ(bench.module->Counts().resets, 1);
}

TEST(VersionRead, WakeUpOnTheLastTickLeavesNothingForTheReply) {
  emu::EmulatorSettings settings;
  settings.answerAfter = 24;  // answered in the pass that takes the 25th tick
  Bench bench(settings);
  const VersionReadResult result = RunVersionRead(bench.link, kCom1, false);
  EXPECT_EQ(result.outcome, LinkOutcome::CommError);
  EXPECT_EQ(bench.host.log.back(), "Error data transmission");
  EXPECT_EQ(bench.module->Counts().resets, 0);  // no reset after a failure
}

TEST(VersionRead, AModuleWithoutAVersionTextSaysSoWhenAsked) {
  const auto line = [](std::string_view bytes, MissingVersionText missing) {
    std::array<std::uint8_t, 16> text{};
    std::copy(bytes.begin(), bytes.end(), text.begin());
    return VersionLineFor("Program version", text, missing);
  };
  const std::string erased(16, '\xFF');
  const std::string zeros(16, '\0');
  const std::string padded = std::string("V1.0") + std::string(12, '\xFF');
  const std::string controls = std::string(8, '\xFF') + std::string(8, '\x01');
  // The window's way: the bytes as they are.
  EXPECT_EQ(line(erased, MissingVersionText::ShowBytes),
            "Program version: \xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99"
            "\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99\xCB\x99");
  const struct {
    std::string bytes;
    bool holdsText;
    std::string said;
  } cases[] = {
      {erased, false, "Program version: none (erased, all 16 bytes FF)"},
      {zeros, false, "Program version: none (no text in the bytes 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00)"},
      {controls, false, "Program version: none (no text in the bytes FF FF FF FF FF FF FF FF 01 01 01 01 01 01 01 01)"},
      {padded, true, line(padded, MissingVersionText::ShowBytes)},
      {std::string(15, '\xFF') + " ", true, line(std::string(15, '\xFF') + " ", MissingVersionText::ShowBytes)},
  };
  for (const auto& c : cases) {
    std::array<std::uint8_t, 16> text{};
    std::copy(c.bytes.begin(), c.bytes.end(), text.begin());
    EXPECT_EQ(HoldsVersionText(text), c.holdsText) << c.said;
    EXPECT_EQ(line(c.bytes, MissingVersionText::SayNone), c.said);
  }

  Bench bench;  // erased
  const VersionReadResult result = RunVersionRead(bench.link, kCom1, false, MissingVersionText::SayNone);
  EXPECT_EQ(result.outcome, LinkOutcome::Done);
  EXPECT_EQ(bench.host.log, (Lines{"Waiting for bootloader...", "OK",
                                   "Program version: none (erased, all 16 bytes FF)", "Finished"}));
}

TEST(FirmwareUpload, NoFileSelected) {
  Bench bench;
  bench.host.log = {"old line"};
  EXPECT_EQ(RunFirmwareUpload(bench.link, bench.shared, kCom1, {}), LinkOutcome::NoFileSelected);
  EXPECT_EQ(bench.host.log, (Lines{"old line", "No file selected", "Finished"}));
  EXPECT_TRUE(bench.port.written.empty());
}

TEST(FirmwareUpload, UsedOnlyWritesTheFilesBlocks) {
  test::TempDir dir;
  Bench bench;
  bench.shared.firmwareFileName = WriteDemoFile(dir);
  UploadOptions options;
  options.decode = false;
  options.allMemory = false;
  options.flashSize = true;
  EXPECT_EQ(RunFirmwareUpload(bench.link, bench.shared, kCom1, options), LinkOutcome::Done);
  EXPECT_EQ(bench.host.log, (Lines{"Waiting for bootloader...", "OK", "Flash = 15B",
                                   "FLASH writing...", "Eeprom = 3B", "EEPROM writing...",
                                   "Finished"}));
  EXPECT_EQ(bench.Packets(), 3);  // FLASH block 32, EEPROM block 0, reset
  EXPECT_EQ(bench.module->Flash()[0x20F], 0x0F);
  EXPECT_EQ(bench.module->Flash()[0x001], 0xFF);  // below 512: never written
  EXPECT_EQ(bench.module->Eeprom()[3], 0x04);
  EXPECT_EQ(bench.host.status, "Finished.");
  EXPECT_FALSE(bench.port.IsOpen());
  EXPECT_EQ(bench.port.calls.back(), "Close");
  EXPECT_EQ(*(bench.port.calls.end() - 2), "Drain");  // the reset left before the close
}

TEST(FirmwareUpload, FailuresStopWithoutReset) {
  test::TempDir dir;
  const std::string file = WriteDemoFile(dir);
  struct Case {
    std::string name;
    emu::EmulatorSettings settings;
    std::optional<milliseconds> cancelAt;
    LinkOutcome outcome;
    std::string lastLine;
    bool partial = true;  // blocks were written before the end
  };
  std::vector<Case> cases;
  {
    Case c{"flash error", {}, {}, LinkOutcome::WriteRefused, "FLASH writing error00000200; error code 5",
           false};
    c.settings.errors.push_back({emu::Memory::kFlash, 32, 5});
    cases.push_back(c);
  }
  {
    Case c{"eeprom error", {}, {}, LinkOutcome::WriteRefused, "EEPROM writing error; error code 7"};
    c.settings.errors.push_back({emu::Memory::kEeprom, 2, 7});
    cases.push_back(c);
  }
  {
    Case c{"silent", {}, {}, LinkOutcome::CommError, "Error data transmission"};
    c.settings.silentAfter = 100;
    cases.push_back(c);
  }
  {
    // Cancel while packet 101 waits for an acknowledgement that won't come.
    Case c{"cancel", {}, milliseconds(1000), LinkOutcome::Cancelled, "Cancel"};
    c.settings.silentAfter = 100;
    cases.push_back(c);
  }
  {
    Case c{"no bootloader", {}, {}, LinkOutcome::NoBootloader, "Bootloader no response", false};
    c.settings.answerAfter = 1000;
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    Bench bench(c.settings);
    bench.shared.firmwareFileName = file;
    if (c.cancelAt) bench.host.cancelAt = VirtualTime{} + *c.cancelAt;
    UploadOptions options;
    options.decode = false;
    UploadReport report;
    EXPECT_EQ(RunFirmwareUpload(bench.link, bench.shared, kCom1, options, &report), c.outcome)
        << c.name;
    EXPECT_EQ(report.partial, c.partial) << c.name;
    // A module left with part of the firmware is said to be so, last.
    std::vector<std::string> expected{c.lastLine};
    if (c.partial) expected.push_back(English(MessageRole::msgIncompleteFirmware));
    EXPECT_EQ(std::vector<std::string>(bench.host.log.end() - static_cast<long>(expected.size()),
                                       bench.host.log.end()),
              expected)
        << c.name;
    EXPECT_EQ(bench.module->Counts().resets, 0) << c.name;
    EXPECT_FALSE(bench.port.IsOpen()) << c.name;
  }
}

TEST(ParameterRead, TimeOutInBlockSevenKeepsTheRestErased) {
  emu::EepromImage eeprom;
  for (int i = 0; i < 256; ++i) eeprom[i] = static_cast<std::uint8_t>(i);
  emu::EmulatorSettings settings;
  settings.silentAfter = 7;  // blocks 0..6 answered
  Bench bench(settings, eeprom);
  bench.tab.SetWriteEnabled(true);
  EXPECT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::CommError);
  EXPECT_EQ(bench.host.statusHistory.back(), "Error data transmission");
  EXPECT_EQ(bench.Packets(), 16);  // the remaining blocks were still requested
  const auto& image = bench.shared.images.eeprom;
  EXPECT_EQ(image[0x6F], 0x6F);
  EXPECT_EQ(image[0x70], 0xFF);
  // The last position of every later block keeps the last block's byte 16.
  EXPECT_EQ(image[0x7F], 0x6F);
  EXPECT_EQ(image[0xFF], 0x6F);
  EXPECT_EQ(bench.host.dump.size(), 16u);
  EXPECT_EQ(bench.host.dump[1], "1 101112131415161718191A1B1C1D1E1F 88");
  EXPECT_FALSE(bench.tab.WriteEnabled());  // a failed read withdraws the write
  EXPECT_FALSE(bench.shared.eepromHoldsModuleRead);
  EXPECT_TRUE(bench.port.IsOpen());
}

TEST(ParameterWrite, OnlyAfterACompleteReadAndThenOnlyOnce) {
  Bench bench;
  EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::NotAllowed);
  EXPECT_TRUE(bench.port.written.empty());

  ASSERT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  EXPECT_TRUE(bench.tab.WriteEnabled());
  EXPECT_EQ(bench.host.statusHistory,
            (Lines{"Waiting for bootloader...", "OK", "OK", "Reading EEPROM...", "Finished",
                   "The module has no PIN code set"}));
  bench.tab.Values().pin = "0907";
  ASSERT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  EXPECT_EQ(bench.module->Eeprom()[0x66], 9);
  EXPECT_EQ(bench.module->Eeprom()[0x21], 0xFF);  // the erased module's bits, read back
  EXPECT_FALSE(bench.tab.WriteEnabled());
  EXPECT_FALSE(bench.port.IsOpen());
  EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::NotAllowed);
}

TEST(ParameterWrite, AnUploadWithdrawsTheRightToWrite) {
  test::TempDir dir;
  Bench bench;
  ASSERT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  bench.shared.firmwareFileName = (dir.Path() / "missing.hexfw").string();
  EXPECT_EQ(RunFirmwareUpload(bench.link, bench.shared, kCom1, {}), LinkOutcome::FileReadError);
  EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::NotAllowed);
}

TEST(ParameterWrite, RefusedBlockEndsTheWrite) {
  emu::EmulatorSettings settings;
  settings.errors.push_back({emu::Memory::kEeprom, 6, 9});  // 0x60..0x6F
  Bench bench(settings);
  ASSERT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  bench.tab.Values().pin = "1111";
  bench.tab.Values().programNumber = "23";
  EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::WriteRefused);
  // The PIN's digits lie in blocks 2 and 6: the module holds neither PIN now.
  EXPECT_EQ(bench.host.statusHistory.end()[-2], "EEPROM writing error");
  EXPECT_EQ(bench.host.statusHistory.back(), English(MessageRole::msgSettingsIncomplete));
  EXPECT_EQ(bench.module->Eeprom()[0x26], 1);     // block 2 was written
  EXPECT_EQ(bench.module->Eeprom()[0x28], 0x23);
  EXPECT_EQ(bench.module->Eeprom()[0x66], 0xFF);  // block 6 was refused
  // read, identity, reset; the backup read (identity, 16 blocks); blocks 0..6
  EXPECT_EQ(bench.Packets(), 16 + 1 + 1 + 17 + 7);
  EXPECT_FALSE(bench.port.IsOpen());

  // Asked to, the refusal names the module's code in the same one line.
  ASSERT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  const std::size_t shown = bench.host.statusHistory.size();
  ParameterWriteOptions options;
  options.refusalCodeShown = true;
  ParameterWriteReport report;
  EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab, options, &report),
            LinkOutcome::WriteRefused);
  EXPECT_EQ(report.refusalCode, 9);
  const Lines said(bench.host.statusHistory.begin() + static_cast<std::ptrdiff_t>(shown),
                   bench.host.statusHistory.end());
  EXPECT_EQ(std::count_if(said.begin(), said.end(),
                          [](const std::string& s) { return s.starts_with("EEPROM writing error"); }),
            1);
  EXPECT_EQ(said.end()[-2], "EEPROM writing error; error code 9");
  EXPECT_TRUE(report.partial);
  EXPECT_EQ(report.blocksWritten, 6);
}

// The fields of a read belong to the module read: written into another
// module (or one whose EEPROM changed since), they would carry the first
// module's PIN and bytes into it. Two modules may hold the same bytes: the
// identity tells them apart.
TEST(ParameterWrite, IntoAModuleOtherThanTheOneReadWritesNothing) {
  emu::EepromImage changed = Bench::Erased();
  changed[0x26] = 5, changed[0x66] = 6, changed[0x27] = 7, changed[0x67] = 8;
  emu::EmulatorSettings otherIdentity;
  otherIdentity.identity = {0x43, 0x1B};
  const struct {
    const char* name;
    emu::EmulatorSettings settings;
    emu::EepromImage eeprom;
  } cases[] = {
      {"other bytes, same identity", {}, changed},
      {"same bytes, other identity", otherIdentity, Bench::Erased()},
  };
  for (const auto& c : cases) {
    Bench bench;
    ASSERT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done) << c.name;
    bench.module = std::make_unique<emu::ModuleEmulator>(c.settings, c.eeprom);
    bench.tab.Values().pin = "1111";
    ParameterWriteReport report;
    EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab, {}, &report),
              LinkOutcome::ModuleChanged)
        << c.name;
    EXPECT_EQ(bench.module->Eeprom(), c.eeprom) << c.name;
    EXPECT_EQ(bench.module->Counts().packets, 1 + 16 + 1) << c.name;  // the backup read, the reset
    EXPECT_EQ(bench.host.statusHistory.back(), English(MessageRole::msgModuleChanged)) << c.name;
    EXPECT_FALSE(report.partial) << c.name;
    EXPECT_FALSE(bench.port.IsOpen()) << c.name;
  }
}

// The identity is asked for after the sixteen blocks. Unanswered, the read
// fails as a block would; a read without it may be shown but not written.
TEST(ParameterRead, TheIdentityComesAfterTheBlocksAndAWriteNeedsIt) {
  emu::EmulatorSettings settings;
  settings.silentAfter = 16;  // the blocks answered, the identity not
  Bench silent(settings);
  silent.tab.Values().pin = "4444";
  EXPECT_EQ(RunParameterRead(silent.link, silent.shared, kCom1, silent.tab), LinkOutcome::CommError);
  EXPECT_EQ(silent.host.statusHistory.back(), "Error data transmission");
  EXPECT_EQ(silent.Packets(), 17);
  EXPECT_EQ(silent.module->Counts().resets, 0);
  EXPECT_EQ(silent.tab.Values().pin, "4444");  // the tab as it was
  EXPECT_FALSE(silent.tab.WriteEnabled());
  EXPECT_TRUE(silent.port.IsOpen());
  EXPECT_EQ(RunParameterWrite(silent.link, silent.shared, kCom1, silent.tab), LinkOutcome::NotAllowed);

  Bench plain;
  ASSERT_EQ(RunParameterRead(plain.link, plain.shared, kCom1, plain.tab, {.identity = false}), LinkOutcome::Done);
  EXPECT_EQ(plain.Packets(), 16 + 1);  // the blocks and the reset only
  EXPECT_FALSE(plain.shared.moduleReadIdentity);
  const std::size_t written = plain.port.written.size();
  EXPECT_EQ(RunParameterWrite(plain.link, plain.shared, kCom1, plain.tab), LinkOutcome::NotAllowed);
  EXPECT_EQ(plain.port.written.size(), written);

  Bench asked;
  ASSERT_EQ(RunParameterRead(asked.link, asked.shared, kCom1, asked.tab), LinkOutcome::Done);
  EXPECT_EQ(asked.Packets(), 16 + 1 + 1);
  ASSERT_TRUE(asked.shared.moduleReadIdentity);
  EXPECT_EQ(*asked.shared.moduleReadIdentity, (std::array<std::uint8_t, 2>{0x1A, 0x43}));
}

TEST(ParameterWrite, IncompletePinSendsNothing) {
  Bench bench;
  ASSERT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  const int packets = bench.Packets();
  const std::size_t written = bench.port.written.size();
  for (const char* pin : {"12x4", "7", "123"}) {
    bench.tab.Values().pin = pin;
    EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab),
              LinkOutcome::PinIncomplete);
    EXPECT_EQ(bench.host.statusHistory.back(), English(MessageRole::msgPinIncomplete));
    EXPECT_EQ(bench.Packets(), packets);
    EXPECT_EQ(bench.port.written.size(), written);  // not even the wake-up
    EXPECT_FALSE(bench.link.Busy());
  }
  // Left empty on a module without a PIN, the module's bytes go back.
  bench.tab.Values().pin.clear();
  EXPECT_EQ(RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
  EXPECT_EQ(bench.module->Eeprom()[0x26], 0xFF);
}

// A Cancel pressed during the restart pulse, which sleeps without pumping,
// is taken before the first wake-up byte: nothing reaches the module.
TEST(Cancel, TakenWhileTheModuleAnswersWritesNothing) {
  test::TempDir dir;
  Bench bench;
  bench.shared.firmwareFileName = WriteDemoFile(dir);
  bench.host.cancelAt = VirtualTime{} + milliseconds(300);  // in the restart pulse
  UploadOptions options;
  options.decode = false;
  UploadReport report;
  EXPECT_EQ(RunFirmwareUpload(bench.link, bench.shared, kCom1, options, &report),
            LinkOutcome::Cancelled);
  EXPECT_EQ(bench.module->Counts().packets, 0);
  EXPECT_FALSE(report.partial);
  EXPECT_EQ(bench.host.log, (Lines{"Cancel"}));
  EXPECT_TRUE(bench.port.written.empty());
  EXPECT_FALSE(bench.port.IsOpen());
}

// A Cancel pressed while no operation ran does not stop the next one.
TEST(Cancel, PressedBeforeAnOperationDoesNotCount) {
  Bench bench;
  bench.host.TheCountdown().Cancel();
  EXPECT_EQ(RunParameterRead(bench.link, bench.shared, kCom1, bench.tab), LinkOutcome::Done);
}

TEST(Operations, OneAtATime) {
  Bench bench;
  LinkOutcome nested = LinkOutcome::Done;
  bool tried = false;
  // A click on another button while the version read waits.
  bench.port.onRts = [&](bool on) {
    if (on && !tried) {
      tried = true;
      nested = RunParameterRead(bench.link, bench.shared, kCom1, bench.tab);
    }
  };
  EXPECT_EQ(RunVersionRead(bench.link, kCom1, false).outcome, LinkOutcome::Done);
  EXPECT_TRUE(tried);
  EXPECT_EQ(nested, LinkOutcome::NotAllowed);
}

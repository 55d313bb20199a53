// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "ModuleHarness.h"
#include "emu/ModuleEmulator.h"

namespace canalarm::emu::test {
namespace {

using std::chrono::milliseconds;

Bytes ReadReply(std::uint8_t command, std::span<const std::uint8_t> block) {
  Bytes r;  // byte by byte: see ReadOf in test_fault_plan.cpp
  r.reserve(block.size() + 2);
  r.push_back(command);
  for (std::uint8_t b : block) r.push_back(b);
  r.push_back(Checksum(block));
  return r;
}

TEST(ModuleEmulatorWakeUp, AnswersTheAttemptAfterTheIgnoredOnes) {
  for (int ignored : {0, 1, 7}) {
    SCOPED_TRACE("answer after " + std::to_string(ignored));
    EmulatorSettings settings;
    settings.answerAfter = ignored;
    Module m(settings);
    for (int i = 0; i < ignored; ++i) {
      m.Send(WakePair());
      EXPECT_TRUE(m.Wire().empty()) << "attempt " << i + 1;
    }
    m.Send(WakePair());
    EXPECT_EQ(m.Wire(), Bytes{0x11});
    EXPECT_EQ(m->State(), LinkState::kAgreeing);
  }
}

TEST(ModuleEmulatorWakeUp, OnlyACompletePairCounts) {
  const struct {
    const char* name;
    Bytes stream;
    bool answered;
  } cases[] = {
      {"second byte alone", {0x33, 0x33}, false},
      {"unmasked 0x69", {0x0F, 0x69}, false},
      {"noise between the two", {0x0F, 0x00, 0x33}, false},
      {"noise, then a pair", {0x33, 0xAA, 0x0F, 0x0F, 0x33}, true},
      {"a packet before the link", MaskedPacket(3, 0xF0, Filler(), kInitialKey), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Module m;
    m.Send(c.stream);
    EXPECT_EQ(m.Wire(), c.answered ? Bytes{0x11} : Bytes{});
  }
}

TEST(ModuleEmulatorWakeUp, GarbageComesFirstAndNeverLooksLikeTheAnswer) {
  EmulatorSettings settings;
  settings.garbage = 20;
  Module m(settings);
  m.Send(WakePair());
  const Bytes wire = m.Wire();
  ASSERT_EQ(wire.size(), 21u);
  EXPECT_EQ(wire.back(), 0x11);
  EXPECT_EQ(std::count(wire.begin(), wire.end(), 0x11), 1);
}

TEST(ModuleEmulatorWakeUp, PairsStillOnTheirWayAfterTheAnswerAreNotAnsweredAgain) {
  Module m;
  m.Send(WakePair());
  EXPECT_EQ(m.Wire(), Bytes{0x11});
  for (int i = 0; i < 3; ++i) m.Send(WakePair());
  EXPECT_TRUE(m.Wire().empty());
  m.Send({kKeepKey ^ kInitialKey});
  EXPECT_EQ(m->State(), LinkState::kInLink);
}

TEST(ModuleEmulatorAgreement, KeepsOrSwitchesTheKeyAndMasksEveryReplyWithIt) {
  std::mt19937 random(20240611);
  std::vector<std::optional<std::uint8_t>> keys{std::nullopt, 1, 254,
                                                0x55,   // travels as 0x0F, the plain wake-up byte
                                                0x69};  // travels as 0x33, the masked one
  for (int i = 0; i < 4; ++i) keys.push_back(static_cast<std::uint8_t>(1 + random() % 254));
  for (const auto& key : keys) {
    SCOPED_TRACE(key ? "new key " + std::to_string(*key) : "kept key");
    Module m;
    m.Link(key);
    const std::uint8_t expected = key.value_or(kInitialKey);
    EXPECT_EQ(m->Key(), expected);
    m.Send(MaskedPacket(3, 0xF0, Filler(), expected));
    const Bytes wire = m.Wire();
    ASSERT_EQ(wire.size(), kReadReplyBytes);
    EXPECT_EQ(Mask(wire, expected), ReadReply(3, std::span(m->Eeprom()).subspan(0xF0, 16)));
  }
}

TEST(ModuleEmulatorCommands, RepliesAsDocumented) {
  EmulatorSettings settings;
  settings.identity = {0x12, 0x34};
  Module m(settings);
  m.Link();
  const auto& eeprom = m->Eeprom();

  EXPECT_EQ(m.Request(2, 0), (Bytes{0x02, 0x12, 0x34}));
  const Bytes version = m.Request(3, 0xF0, Filler());
  EXPECT_EQ(std::string(version.begin() + 1, version.end() - 1), "CANALARM EMU 1.0");
  EXPECT_EQ(version, ReadReply(3, std::span(eeprom).subspan(0xF0, 16)));
  // The default EEPROM holds a parameter block: PIN 1234 and CAN program 11.
  const Bytes params = m.Request(3, 0x20, Filler());
  EXPECT_EQ(params[1 + 0x06], 1);
  EXPECT_EQ(params[1 + 0x07], 3);
  EXPECT_EQ(params[1 + 0x08], 0x11);
}

TEST(ModuleEmulatorCommands, WritesAreAcknowledgedAndLandInTheImages) {
  Module m;
  m.Link();
  EXPECT_EQ(m.Request(0, 0x0200, Block(0x10)), Bytes{0});
  EXPECT_EQ(m.Request(0, 0x7FF0, Block(0x80)), Bytes{0});
  EXPECT_EQ(m.Request(1, 0x0000, Block(0x40)), Bytes{0});
  EXPECT_EQ(m.Request(1, 0x00F0, Block(0x41)), Bytes{0});

  const auto& flash = m->Flash();
  EXPECT_TRUE(std::equal(flash.begin() + 0x200, flash.begin() + 0x210, Block(0x10).begin()));
  EXPECT_TRUE(std::equal(flash.begin() + 0x7FF0, flash.end(), Block(0x80).begin()));
  EXPECT_EQ(flash[0x1FF], 0xFF);
  EXPECT_EQ(flash[0x210], 0xFF);
  EXPECT_EQ(std::count(flash.begin(), flash.end(), 0xFF), 0x8000 - 32);
  // Reading back what was written.
  EXPECT_EQ(m.Request(3, 0x00, Filler()), ReadReply(3, Block(0x40)));
  EXPECT_EQ(m.Request(3, 0xF0, Filler()), ReadReply(3, Block(0x41)));
}

TEST(ModuleEmulatorCommands, RefusedWritesCarryACodeAndChangeNothing) {
  const struct {
    const char* name;
    std::uint8_t command;
    std::uint16_t address;
    Bytes data;
    std::optional<std::uint8_t> checksum;
    std::uint8_t code;
  } cases[] = {
      {"FLASH bad checksum", 0, 0x0200, Block(1), 0x00, kAckBadChecksum},
      {"EEPROM bad checksum", 1, 0x0010, Block(1), 0x00, kAckBadChecksum},
      {"FLASH below 512", 0, 0x01F0, Block(1), {}, kAckBadAddress},
      {"FLASH off a block", 0, 0x0208, Block(1), {}, kAckBadAddress},
      {"EEPROM past 240", 1, 0x0100, Block(1), {}, kAckBadAddress},
      {"EEPROM off a block", 1, 0x0018, Block(1), {}, kAckBadAddress},
      {"EEPROM short", 1, 0x0010, Bytes(8, 1), {}, kAckBadLength},
      {"FLASH without data", 0, 0x0200, {}, {}, kAckBadLength},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Module m;
    m.Link();
    const auto flash = m->Flash();
    const auto eeprom = m->Eeprom();
    EXPECT_EQ(m.Request(c.command, c.address, c.data, c.checksum), Bytes{c.code});
    EXPECT_EQ(m->Flash(), flash);
    EXPECT_EQ(m->Eeprom(), eeprom);
    // The framing held: the next request is understood.
    EXPECT_EQ(m.Request(2, 0).size(), kIdentityReplyBytes);
  }
}

TEST(ModuleEmulatorCommands, BadReadsAndUnknownCommandsGetNoReply) {
  const struct {
    const char* name;
    std::uint8_t command;
    std::uint16_t address;
    Bytes data;
    std::optional<std::uint8_t> checksum;
  } cases[] = {
      {"read with a bad checksum", 3, 0x00F0, Filler(), 0x11},
      {"read past the EEPROM", 3, 0x0100, Filler(), {}},
      {"unknown command with data", 9, 0x0000, Block(3), {}},
      {"unknown command without data", 0x80, 0x1234, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Module m;
    m.Link();
    EXPECT_TRUE(m.Request(c.command, c.address, c.data, c.checksum).empty());
    EXPECT_EQ(m.Request(1, 0x10, Block(0)), Bytes{0});
  }
}

TEST(ModuleEmulatorCommands, ErrorAtRefusesOnlyItsBlock) {
  EmulatorSettings settings;
  settings.errors = {{Memory::kFlash, 33, 5}, {Memory::kEeprom, 2, 200}};
  Module m(settings);
  m.Link();
  EXPECT_EQ(m.Request(0, 0x0200, Block(1)), Bytes{0});
  EXPECT_EQ(m.Request(0, 0x0210, Block(1)), Bytes{5});
  EXPECT_EQ(m.Request(0, 0x0220, Block(1)), Bytes{0});
  EXPECT_EQ(m.Request(1, 0x0010, Block(1)), Bytes{0});
  EXPECT_EQ(m.Request(1, 0x0020, Block(1)), Bytes{200});
  EXPECT_EQ(m.Request(1, 0x0210 % 256, Block(1)), Bytes{0});  // same number, other memory
  EXPECT_EQ(m->Flash()[0x210], 0xFF);
  EXPECT_NE(m->Eeprom()[0x20], 1);
}

TEST(ModuleEmulatorCommands, ResetGoesBackToWaitingWithTheInitialKey) {
  EmulatorSettings settings;
  settings.answerAfter = 1;
  Module m(settings);
  m.Send(WakePair());
  m.Link(0x77);
  EXPECT_TRUE(m.Request(4, 0).empty());
  EXPECT_EQ(m->State(), LinkState::kWaiting);
  EXPECT_EQ(m->Key(), kInitialKey);
  EXPECT_EQ(m->Counts().resets, 1);
  // Waiting again: packets are ignored, and the ignored attempts count afresh.
  m.Send(MaskedPacket(2, 0, {}, 0x77));
  m.Send(WakePair());
  EXPECT_TRUE(m.Wire().empty());
  m.Link();
}

TEST(ModuleEmulatorCommands, RestartDropsAHalfReceivedPacket) {
  Module m;
  m.Link();
  const Bytes packet = MaskedPacket(1, 0x10, Block(7), kInitialKey);
  m.Send(Bytes(packet.begin(), packet.begin() + 9));
  m->Restart(m.Now(), "test");
  EXPECT_EQ(m->State(), LinkState::kWaiting);
  m.Link();
  EXPECT_EQ(m.Request(1, 0x10, Block(7)), Bytes{0});
  EXPECT_EQ(m->Eeprom()[0x10], 7);
}

TEST(ModuleEmulatorCommands, SilentAfterAnswersNothingUntilTheNextLink) {
  EmulatorSettings settings;
  settings.silentAfter = 2;
  Module m(settings);
  m.Link();
  EXPECT_EQ(m.Request(1, 0x00, Block(1)), Bytes{0});
  EXPECT_EQ(m.Request(1, 0x10, Block(2)), Bytes{0});
  EXPECT_TRUE(m.Request(1, 0x20, Block(3)).empty());
  EXPECT_TRUE(m.Request(2, 0).empty());
  EXPECT_TRUE(m.Request(4, 0).empty());  // not even a reset
  EXPECT_NE(m->Eeprom()[0x20], 3);
  EXPECT_TRUE(m->Silent());
  m->Restart(m.Now(), "test");
  m.Link();
  EXPECT_EQ(m.Request(2, 0).size(), kIdentityReplyBytes);
}

TEST(ModuleEmulatorCommands, FallingSilentMidLinkHoldsUntilARestart) {
  Module m;
  m.Link();
  EXPECT_EQ(m.Request(1, 0x00, Block(1)), Bytes{0});
  m->FallSilent(m.Now());
  EXPECT_TRUE(m.Request(1, 0x10, Block(2)).empty());
  EXPECT_TRUE(m.Request(4, 0).empty());
  EXPECT_NE(m->Eeprom()[0x10], 2);
  m->Restart(m.Now(), "test");
  EXPECT_FALSE(m->Silent());
  m.Link();
  EXPECT_EQ(m.Request(1, 0x10, Block(2)), Bytes{0});
}

TEST(ModuleEmulatorTiming, RepliesWaitForTheDelay) {
  EmulatorSettings settings;
  settings.replyDelay = milliseconds(40);
  settings.faults = {
      Fault{FaultKind::kDelayReply, Direction::kIn, 2, -1, 0, 1, milliseconds(1600)}};
  Module m(settings);
  m.Send(WakePair());
  auto replies = m->TakeReplies();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].notBefore, m.Now() + milliseconds(40));
  m.Send({kKeepKey ^ kInitialKey});
  m.Wait(milliseconds(500));
  for (int packet = 1; packet <= 2; ++packet) {
    m.Send(MaskedPacket(1, 0x10, Block(0), kInitialKey));
    replies = m->TakeReplies();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].notBefore - m.Now(), packet == 2 ? milliseconds(1640) : milliseconds(40));
  }
}

}  // namespace
}  // namespace canalarm::emu::test

// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "ModuleHarness.h"
#include "emu/FaultPlan.h"
#include "emu/OptionValues.h"

namespace canalarm::emu::test {
namespace {

EmulatorSettings WithFault(std::string_view fault) {
  EmulatorSettings settings;
  settings.faults = {ParseFault(fault)};
  return settings;
}

Bytes ReadOf(const EepromImage& eeprom, std::size_t address) {
  // Built byte by byte: g++ 12 takes an insert into a one-byte vector for
  // an overflow (-Warray-bounds) at -O2.
  Bytes r;
  r.reserve(18);
  r.push_back(3);
  for (std::size_t i = address; i < address + 16; ++i) r.push_back(eeprom[i]);
  r.push_back(Checksum(std::span(eeprom).subspan(address, 16)));
  return r;
}

TEST(FaultPlanInModule, EachFaultChangesWhatTheToolSees) {
  const EepromImage eeprom = DefaultEeprom();
  const Bytes version = ReadOf(eeprom, 0xF0);
  Bytes droppedFirst(version.begin() + 1, version.end());
  Bytes shortened(version.begin(), version.end() - 1);
  Bytes flipped = version;
  flipped[5] ^= 0x80;

  const struct {
    const char* fault;
    std::uint8_t command;  // 1: write EEPROM block 1; 3: read the version
    Bytes reply;           // unmasked
  } cases[] = {
      {"flip:in:1", 1, {kAckBadChecksum}},  // the checksum byte
      {"flip:in:1:3:0", 3, {}},             // address 0xF0 -> 0xF1: no reply
      {"flip:out:1", 1, {0x01}},
      {"flip:out:1:5:7", 3, flipped},
      {"drop:in:1", 1, {}},  // the packet never ends
      {"drop:out:1:0", 3, droppedFirst},
      {"short:1", 3, shortened},
      {"garbage:in:1", 1, {}},     // framing shifted, unknown command
      {"flip:in:2", 1, {kAckOk}},  // another packet
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    Module m(WithFault(c.fault), eeprom);
    m.Link();
    const Bytes reply =
        c.command == 1 ? m.Request(1, 0x10, Block(0)) : m.Request(3, 0xF0, Filler());
    EXPECT_EQ(reply, c.reply);
  }
}

TEST(FaultPlanInModule, GarbageBeforeAReplyNeverReadsAsAnAcceptedWrite) {
  for (int k : {0x5A, 0xA5, 0x01, 0xFE}) {
    SCOPED_TRACE(k);
    const auto key = static_cast<std::uint8_t>(k);
    Module m(WithFault("garbage:out:1:10"));
    m.Link(key == kInitialKey ? std::nullopt : std::optional<std::uint8_t>(key));
    const Bytes reply = m.Request(1, 0x10, Block(0));
    ASSERT_EQ(reply.size(), 11u);
    EXPECT_EQ(reply.back(), kAckOk);
    EXPECT_EQ(std::count(reply.begin(), reply.end() - 1, kAckOk), 0);
  }
}

TEST(FaultPlanInModule, FiresOncePerLinkAndAgainInTheNext) {
  Module m(WithFault("flip:out:1"));
  for (int link = 1; link <= 2; ++link) {
    SCOPED_TRACE(link);
    m.Link();
    EXPECT_EQ(m.Request(1, 0x10, Block(0)), Bytes{1});
    EXPECT_EQ(m.Request(1, 0x10, Block(0)), Bytes{0});
    m.Request(4, 0);
  }
}

TEST(FaultPlanInModule, FirstLinkOnlyFiresOnce) {
  EmulatorSettings settings = WithFault("flip:out:1");
  settings.faultsFirstLinkOnly = true;
  Module m(settings);
  m.Link();
  EXPECT_EQ(m.Request(1, 0x10, Block(0)), Bytes{1});
  m.Request(4, 0);
  m.Link();
  EXPECT_EQ(m.Request(1, 0x10, Block(0)), Bytes{0});
}

TEST(FaultPlanInModule, VanishesInTheMiddleOfThePacket) {
  Module m(WithFault("vanish:2"));
  m.Link();
  EXPECT_EQ(m.Request(2, 0).size(), kIdentityReplyBytes);
  const Bytes packet = MaskedPacket(1, 0x10, Block(9), kInitialKey);
  m.Send(Bytes(packet.begin(), packet.begin() + 2));
  EXPECT_FALSE(m->Vanished());
  m.Send(Bytes(packet.begin() + 2, packet.end()));
  EXPECT_TRUE(m->Vanished());
  EXPECT_TRUE(m.Wire().empty());
  EXPECT_NE(m->Eeprom()[0x10], 9);
  m.Send(WakePair());
  EXPECT_TRUE(m.Wire().empty());
}

TEST(FaultPlanGarbage, AvoidsTheByteItIsTold) {
  for (int a : {0x00, 0xA5, 0x11, 0xFF}) {
    const auto avoid = static_cast<std::uint8_t>(a);
    const auto noise = FaultPlan::Garbage(50, avoid);
    EXPECT_EQ(noise.size(), 50u);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), avoid), 0) << int(avoid);
  }
}

}  // namespace
}  // namespace canalarm::emu::test

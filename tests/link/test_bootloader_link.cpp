// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "FakeLinkPort.h"
#include "TestLinkHost.h"
#include "link/BootloaderLink.h"

using namespace canalarm;
using namespace canalarm::test;
using std::chrono::milliseconds;

namespace {

constexpr LinkTarget kLog{.messages = MessageTarget::Log, .programmingBar = true};

struct Fixture {
  TestLinkHost host;
  FakeLinkPort port{host.now};
  BootloaderLink link{port, host};
  int wakePairs = 0;

  Fixture() {
    host.Watch(port);
    port.Open();
  }

  // The module answers the wake-up pair number `attempt` (from 1), after
  // `garbage` stray bytes on earlier passes.
  void AnswerWakeUpAt(int attempt, std::vector<std::uint8_t> garbage = {}) {
    port.onWrite = [this, attempt, garbage](std::uint8_t byte) {
      if (byte != (kWakeSecond ^ kInitialLinkKey)) return;
      ++wakePairs;
      const int first = attempt - static_cast<int>(garbage.size());
      if (wakePairs >= first && wakePairs < attempt)
        port.Deliver(garbage[static_cast<std::size_t>(wakePairs - first)], milliseconds(10));
      if (wakePairs == attempt) port.Deliver(kWakeAnswer ^ kInitialLinkKey, milliseconds(10));
    };
  }
};

}  // namespace

TEST(OpenLinkPort, RestartPulseAndPortText) {
  Fixture f;
  f.port.calls.clear();
  ASSERT_TRUE(f.link.OpenLinkPort({3, "", 19200}, true));
  EXPECT_EQ(f.port.calls, (std::vector<std::string>{"Select COM3", "Open", "RTS+", "RTS-"}));
  EXPECT_EQ(f.host.Elapsed(), milliseconds(600));
  EXPECT_EQ(f.host.status, "Opening port Com3");
  EXPECT_EQ(f.host.pumps, 0);  // the pulse blocks: no events meanwhile

  Fixture g;
  g.port.failOpen = true;
  g.port.calls.clear();
  EXPECT_FALSE(g.link.OpenLinkPort({1, "", 9600}, false));
  EXPECT_EQ(g.port.calls, (std::vector<std::string>{"Select COM1"}));
}

TEST(WakeBootloader, AnswerAndKeptKey) {
  Fixture f;
  f.AnswerWakeUpAt(3, {0x00, 0x4B});  // stray bytes, one of them the unmasked answer
  ASSERT_TRUE(f.link.WakeBootloader(30, kLog));
  EXPECT_EQ(f.wakePairs, 3);
  const std::vector<std::uint8_t> expected{0x0F, 0x33, 0x0F, 0x33, 0x0F, 0x33, 0x73 ^ 0x5A};
  EXPECT_EQ(f.port.written, expected);
  EXPECT_EQ(f.link.Key(), kInitialLinkKey);
  EXPECT_EQ(f.host.log, (std::vector<std::string>{"Waiting for bootloader...", "OK"}));
  EXPECT_TRUE(f.port.IsOpen());
  EXPECT_GT(f.host.TheCountdown().Value(), 0);
  EXPECT_TRUE(f.host.TheCountdown().TickerEnabled());  // runs on for the next request
}

TEST(WakeBootloader, RandomKeyIsNeverZeroOr255AndMasksWhatFollows) {
  for (int round = 0; round < 300; ++round) {
    Fixture f;
    f.link.SetRandomKey(true);
    f.AnswerWakeUpAt(1);
    ASSERT_TRUE(f.link.WakeBootloader(30, kLog));
    ASSERT_EQ(f.port.written.size(), 4u);
    EXPECT_EQ(f.port.written[2], 0x66 ^ 0x5A);
    const std::uint8_t key = f.port.written[3] ^ 0x5A;  // travels under the old key
    ASSERT_NE(key, 0);
    ASSERT_NE(key, 255);
    EXPECT_EQ(f.link.Key(), key);
    f.link.SendPacket(kCmdReset, 0, PacketBuffer{}, 0);
    EXPECT_EQ(f.port.written[4], kCmdReset ^ key);
    EXPECT_EQ(f.port.written[5], key);
    // The acknowledgement is unmasked with the new key too.
    f.port.Deliver(0x07 ^ key, milliseconds(5));
    EXPECT_EQ(f.link.WaitAck().code, 0x07);
  }
}

TEST(WakeBootloader, NoAnswerMakesOneAttemptPerTick) {
  Fixture f;
  f.AnswerWakeUpAt(1000);
  EXPECT_FALSE(f.link.WakeBootloader(30, kLog));
  // Each attempt blocks 100 ms, two ticks' worth, but only one tick counts
  // per pass: missed ticks don't pile up, so there are 30 attempts, not 15.
  EXPECT_EQ(f.wakePairs, 30);
  EXPECT_EQ(f.host.TheCountdown().Value(), 0);
  EXPECT_EQ(f.host.log.back(), "Bootloader no response");
  EXPECT_FALSE(f.port.IsOpen());
}

TEST(WakeBootloader, Cancel) {
  Fixture f;
  f.AnswerWakeUpAt(1000);
  f.host.cancelAt = VirtualTime{} + milliseconds(1000);
  EXPECT_FALSE(f.link.WakeBootloader(30, kLog));
  EXPECT_EQ(f.host.TheCountdown().Value(), -1);
  EXPECT_EQ(f.host.log.back(), "Cancel");
  EXPECT_FALSE(f.port.IsOpen());
  EXPECT_LE(f.wakePairs, 11);
}

TEST(SendPacket, Framing) {
  Fixture f;
  PacketBuffer buffer{};
  f.link.SendPacket(kCmdReset, 0, buffer, 0);
  EXPECT_EQ(f.port.written, (std::vector<std::uint8_t>{0x04 ^ 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}));

  f.port.written.clear();
  buffer.fill(0xFF);
  f.link.SendPacket(kCmdReadEeprom, 0x00F0, buffer, 16);
  std::vector<std::uint8_t> plain(22, 0xFF);  // 03 00 00 F0 10, sixteen FF, 10
  plain[0] = 0x03;
  plain[1] = 0x00;
  plain[2] = 0x00;
  plain[3] = 0xF0;
  plain[4] = 0x10;
  plain[21] = 0x10;
  for (auto& b : plain) b ^= 0x5A;
  EXPECT_EQ(f.port.written, plain);

  f.port.written.clear();
  buffer.fill(0x00);
  f.link.SendPacket(kCmdWriteFlash, 0x1230, buffer, 16);
  ASSERT_EQ(f.port.written.size(), 22u);
  EXPECT_EQ(f.port.written[1], f.link.Key());  // address bits 23..16 are 0
  EXPECT_EQ(f.port.written[2], 0x12 ^ 0x5A);
  EXPECT_EQ(f.port.written[3], 0x30 ^ 0x5A);
  EXPECT_EQ(f.port.written[21], 0x00 ^ 0x5A);  // checksum of sixteen zeros
  EXPECT_EQ(PacketChecksum(std::vector<std::uint8_t>{0x01, 0x02, 0xFD}), 0x00);
  EXPECT_EQ(PacketChecksum(std::vector<std::uint8_t>{0x01}), 0xFF);
}

TEST(WaitAck, AnswersTimeOutAndCancel) {
  {
    Fixture f;
    f.port.Deliver(0x05 ^ 0x5A, milliseconds(20));
    const AckResult ack = f.link.WaitAck();
    EXPECT_EQ(ack.wait, WaitResult::Done);
    EXPECT_EQ(ack.code, 5);
  }
  {
    Fixture f;
    const AckResult ack = f.link.WaitAck();
    EXPECT_EQ(ack.wait, WaitResult::TimedOut);
    EXPECT_EQ(f.host.Elapsed(), milliseconds(1500));
    // A late acknowledgement is not taken.
  }
  {
    Fixture f;
    f.host.cancelAt = VirtualTime{} + milliseconds(300);
    EXPECT_EQ(f.link.WaitAck().wait, WaitResult::Cancelled);
    EXPECT_EQ(f.host.Elapsed(), milliseconds(300));
  }
  {
    // A Cancel pressed before the wait (between two packets) is not
    // overwritten when the wait arms.
    Fixture f;
    f.host.TheCountdown().Cancel();
    f.port.Deliver(0x00 ^ 0x5A, milliseconds(100));
    EXPECT_EQ(f.link.WaitAck().wait, WaitResult::Cancelled);
  }
}

TEST(ReadReply, CompleteShortAndCancelled) {
  {
    Fixture f;
    f.link.ArmCountdown(50);
    for (std::uint8_t b : {0x07, 0x12, 0x34}) f.port.Deliver(b ^ 0x5A, milliseconds(30));
    PacketBuffer buffer{};
    EXPECT_GT(f.link.ReadReply(3, buffer), 0);
    EXPECT_EQ(buffer[0], 0x07);
    EXPECT_EQ(buffer[2], 0x34);
  }
  {
    // The countdown ends mid-reply: what came stays, the rest is untouched.
    Fixture f;
    f.link.ArmCountdown(4);
    f.port.Deliver(0x31 ^ 0x5A, milliseconds(10));
    f.port.Deliver(0x32 ^ 0x5A, milliseconds(20));
    PacketBuffer buffer;
    buffer.fill(0xEE);
    EXPECT_EQ(f.link.ReadReply(18, buffer), 0);
    EXPECT_EQ(buffer[0], 0x31);
    EXPECT_EQ(buffer[1], 0x32);
    EXPECT_EQ(buffer[2], 0xEE);
    EXPECT_EQ(buffer[17], 0xEE);
    EXPECT_EQ(f.host.Elapsed(), milliseconds(200));
  }
  {
    // A Cancel before an unarmed reply ends it at once, bytes or not.
    Fixture f;
    f.link.ArmCountdown(25);
    f.host.TheCountdown().Cancel();
    f.port.Deliver(0x00);
    PacketBuffer buffer{};
    EXPECT_EQ(f.link.ReadReply(18, buffer), -1);
    EXPECT_EQ(f.host.Elapsed(), milliseconds(0));
    EXPECT_TRUE(f.port.ByteAvailable());
  }
  {
    // Time already up (the wake-up took its last tick): nothing is waited for.
    Fixture f;
    PacketBuffer buffer{};
    EXPECT_EQ(f.link.ReadReply(18, buffer), 0);
    EXPECT_EQ(f.host.Elapsed(), milliseconds(0));
  }
}

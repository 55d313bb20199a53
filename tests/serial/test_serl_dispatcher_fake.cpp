// SPDX-License-Identifier: MIT
// The dispatcher's logic over a recording fake device: the order and values
// of driver calls, the set-line decision and its waits, the rings' wrap
// handling, and stopping with a write in progress.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeDispatcher.h"
#include "SerlTestWait.h"
#include "link/SerialLinkPort.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "serial/TSerlComPort.h"
#include "serial/TSerlPortRegistry.h"

namespace canalarm::serl {
namespace {

using test::TFakeDispatcher;
using test::WaitFor;
using Calls = std::vector<std::string>;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(first + i * 13 + i / 256);
  return v;
}

int OpenFake(TFakeDispatcher& d, std::uint8_t flags = lfDTR | lfRTS, int outSize = 4096) {
  return d.Open("\\\\.\\COM1", 9600, flags, outSize, 4096, 1, 8, 0);
}

std::vector<std::uint8_t> ReadAll(TFakeDispatcher& d, std::size_t n) {
  std::vector<std::uint8_t> got;
  WaitFor([&] {
    std::uint8_t b;
    while (got.size() < n && d.ReadOneByte(b) == 0) got.push_back(b);
    return got.size() >= n;
  });
  return got;
}

TEST(FakeDispatcher, OpenDrivesDtrAndRtsAroundTheLineState) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  EXPECT_EQ(d.Calls({"open", "queues"}), (Calls{"open \\\\.\\COM1", "queues 4096 4096"}));
  // Set at once from the flags, then again after the line state is written.
  EXPECT_EQ(d.Calls({"escape", "setstate"}),
            (Calls{"escape 5", "escape 3", "setstate 9600 8 0 0", "escape 5", "escape 3"}));
  EXPECT_EQ(d.Calls({"mask"}), Calls{"mask 0x1F9"});
  EXPECT_EQ(d.RunningThreads(), 3);

  TFakeDispatcher low;
  ASSERT_EQ(OpenFake(low, lfDTR), 0);
  EXPECT_EQ(low.Calls({"escape"}), (Calls{"escape 5", "escape 4", "escape 5", "escape 4"}));

  // RTS under handshake is never driven.
  TFakeDispatcher hs;
  ASSERT_EQ(OpenFake(hs, lfDTR | lfRTS | lfRTSHandshake), 0);
  EXPECT_EQ(hs.Calls({"escape"}), (Calls{"escape 5", "escape 5"}));
  EXPECT_EQ(hs.SetRTS(false), 1);
  EXPECT_EQ(hs.Calls({"escape"}).size(), 2u);
}

TEST(FakeDispatcher, SetLineTouchesNothingWhenNothingChanges) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  d.ClearCalls();
  EXPECT_EQ(d.SetLine(9600, 0, 8, 1), 0);
  EXPECT_EQ(d.SetLine(0, 5, 9, 3), 0);  // "keep" values
  EXPECT_EQ(d.SetLine(9600, 0, 8, 0), 0);  // stop bits below 1 are 1
  EXPECT_EQ(d.Calls({"setstate", "sleep", "escape"}), Calls{});
}

TEST(FakeDispatcher, SetLineWaitsEighteenCharacterTimesOfTheOldSpeed) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  d.ClearCalls();
  // 10000000 / 9600 = 1041; 1041 * 10 * 18 = 187380 -> 18.7 ms -> 19.
  EXPECT_EQ(d.SetLine(19200, 0, 8, 1), 0);
  EXPECT_EQ(d.Calls({"sleep", "setstate"}), (Calls{"sleep 19", "setstate 19200 8 0 0"}));
  EXPECT_EQ(d.LineState().BaudRate, 19200u);

  // Two stop bits with five data bits is the one-and-a-half code; the wait
  // now runs at 19200: 520 * 10 * 18 = 93600 -> 10 ms.
  d.ClearCalls();
  EXPECT_EQ(d.SetLine(0, 5, 5, 2), 0);
  EXPECT_EQ(d.Calls({"sleep", "setstate"}), (Calls{"sleep 10", "setstate 19200 5 0 1"}));
}

TEST(FakeDispatcher, SetLineDrainsOutputAtMost5000Polls) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  d.HoldWrites();
  const auto block = Bytes(5, 1);
  ASSERT_EQ(d.QueueBlock(block), 0);
  ASSERT_TRUE(WaitFor([&] { return d.WriteWaiting(); }));
  d.ClearCalls();
  EXPECT_EQ(d.SetLine(38400, 0, 8, 1), 0);
  const auto sleeps = d.Calls({"sleep"});
  ASSERT_EQ(sleeps.size(), 5001u);
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), "sleep 2"), 5000);
  EXPECT_EQ(sleeps.back(), "sleep 19");
  d.AllowWrites(1);
  ASSERT_TRUE(WaitFor([&] { return d.OutputCount() == 0; }));
  EXPECT_EQ(d.Writes(), std::vector<std::vector<std::uint8_t>>{block});
}

TEST(FakeDispatcher, ShutDownPurgesTransmitThenReceiveThenCloses) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  d.ClearCalls();
  EXPECT_EQ(d.ShutDown(), 0);
  EXPECT_EQ(d.Calls({"purge", "close"}), (Calls{"purge 0x05", "purge 0x0A", "close"}));
  // The event wait is released before the device goes.
  const auto calls = d.Calls({"mask", "close"});
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "mask 0x0");
  EXPECT_EQ(d.RunningThreads(), 0);
  EXPECT_EQ(d.QueueBlock(Bytes(1, 0)), ecPutBlockFail);
}

TEST(FakeDispatcher, StopWithPendingWriteAbortsIt) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  d.HoldWrites();
  ASSERT_EQ(d.QueueBlock(Bytes(10, 0)), 0);
  ASSERT_TRUE(WaitFor([&] { return d.WriteWaiting(); }));
  EXPECT_EQ(d.ShutDown(), 0);
  EXPECT_EQ(d.Calls({"write aborted"}).size(), 1u);
  EXPECT_TRUE(d.Writes().empty());
  EXPECT_EQ(d.RunningThreads(), 0);
}

TEST(FakeDispatcher, FullInputRingLeavesRestInDriverAndWrapsInOrder) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  const auto data = Bytes(9000, 3);
  d.Receive(data);
  const int ring = TSerlBaseDispatcher::kInputRingSize;
  ASSERT_TRUE(WaitFor([&] { return d.InputCount() == ring; }));
  EXPECT_EQ(d.DriverInput(), 9000u - ring);

  // Freeing 100 bytes lets the next 100 in at the start of the ring.
  auto got = ReadAll(d, 100);
  ASSERT_TRUE(WaitFor([&] { return d.InputCount() == ring; }));
  EXPECT_EQ(d.DriverInput(), 9000u - ring - 100);
  auto rest = ReadAll(d, 8900);
  got.insert(got.end(), rest.begin(), rest.end());
  EXPECT_EQ(got, data);
  std::uint8_t b;
  EXPECT_EQ(d.ReadOneByte(b), ecBufferIsEmpty);
}

TEST(FakeDispatcher, DiscardInputEmptiesDriverAndRing) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  d.Receive(Bytes(9000, 0));
  ASSERT_TRUE(WaitFor([&] { return d.InputCount() == TSerlBaseDispatcher::kInputRingSize; }));
  EXPECT_EQ(d.DiscardInput(), 0);
  EXPECT_FALSE(d.ByteWaiting());
  EXPECT_EQ(d.DriverInput(), 0u);
  const auto next = Bytes(20, 7);
  d.Receive(next);
  EXPECT_EQ(ReadAll(d, 20), next);
}

TEST(FakeDispatcher, WrappedOutputGoesOutAsOneBlock) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d, lfDTR | lfRTS, 16), 0);
  d.HoldWrites();
  const auto a = Bytes(10, 0x10);
  const auto b = Bytes(4, 0x40);
  const auto c = Bytes(6, 0x80);
  ASSERT_EQ(d.QueueBlock(a), 0);
  ASSERT_TRUE(WaitFor([&] { return d.WriteWaiting(); }));  // a is on its way
  ASSERT_EQ(d.QueueBlock(b), 0);                           // ring 10..13
  d.AllowWrites(1);
  ASSERT_TRUE(WaitFor([&] { return d.Writes().size() == 1 && d.WriteWaiting(); }));  // b on its way
  ASSERT_EQ(d.QueueBlock(c), 0);  // 14, 15, 0..3: wraps
  d.AllowWrites(2);
  ASSERT_TRUE(WaitFor([&] { return d.OutputCount() == 0; }));
  EXPECT_EQ(d.Writes(), (std::vector<std::vector<std::uint8_t>>{a, b, c}));
}

// Bytes queued one at a time while a write is on its way wake no one; the
// output thread takes them all in its next write, none lost, in order.
TEST(FakeDispatcher, SingleBytesQueuedDuringAWriteGoOutTogether) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d, lfDTR | lfRTS, 64), 0);
  d.HoldWrites();
  ASSERT_EQ(d.QueueBlock(Bytes(1, 0x01)), 0);
  ASSERT_TRUE(WaitFor([&] { return d.WriteWaiting(); }));
  std::vector<std::uint8_t> packet;
  for (std::uint8_t b = 0x10; b < 0x10 + 21; ++b) {
    ASSERT_EQ(d.QueueBlock(std::vector<std::uint8_t>{b}), 0);
    packet.push_back(b);
  }
  d.AllowWrites(2);
  ASSERT_TRUE(WaitFor([&] { return d.OutputCount() == 0; }));
  EXPECT_EQ(d.Writes(), (std::vector<std::vector<std::uint8_t>>{Bytes(1, 0x01), packet}));
  // With the ring empty again, a new byte still wakes the output thread.
  ASSERT_EQ(d.QueueBlock(Bytes(1, 0x7F)), 0);
  d.AllowWrites(1);
  ASSERT_TRUE(WaitFor([&] { return d.Writes().size() == 3; }));
  EXPECT_EQ(d.Writes().back(), Bytes(1, 0x7F));
}

// A write that the driver ends as aborted, with no discard asking for it,
// keeps its bytes queued: they and the bytes queued after them go out.
TEST(FakeDispatcher, WriteAbortedByTheDriverIsWrittenAgain) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d, lfDTR | lfRTS, 64), 0);
  d.AbortNextWrite();
  ASSERT_EQ(d.QueueBlock(Bytes(5, 0x21)), 0);
  ASSERT_TRUE(WaitFor([&] { return d.OutputCount() == 0; }));
  ASSERT_EQ(d.QueueBlock(Bytes(3, 0x42)), 0);
  ASSERT_TRUE(WaitFor([&] { return d.Writes().size() == 2; }));
  EXPECT_EQ(d.Writes(), (std::vector<std::vector<std::uint8_t>>{Bytes(5, 0x21), Bytes(3, 0x42)}));
  EXPECT_EQ(d.Calls({"write aborted"}), std::vector<std::string>{"write aborted by the driver"});
}

TEST(FakeDispatcher, BlockThatFillsOutputRingIsAllWritten) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d, lfDTR | lfRTS, 16), 0);
  d.HoldWrites();
  ASSERT_EQ(d.QueueBlock(Bytes(3, 0)), 0);
  ASSERT_TRUE(WaitFor([&] { return d.WriteWaiting(); }));
  d.AllowWrites(1);
  ASSERT_TRUE(WaitFor([&] { return d.OutputCount() == 0; }));
  const auto full = Bytes(16, 0x21);
  EXPECT_EQ(d.QueueBlock(Bytes(17, 0)), ecOutputBufferTooSmall);
  ASSERT_EQ(d.QueueBlock(full), 0);
  EXPECT_EQ(d.OutputCount(), 16);
  EXPECT_EQ(d.QueueBlock(Bytes(1, 0)), ecOutputBufferTooSmall);
  d.AllowWrites(1);
  ASSERT_TRUE(WaitFor([&] { return d.OutputCount() == 0; }));
  ASSERT_EQ(d.Writes().size(), 2u);
  EXPECT_EQ(d.Writes()[1], full);
}

TEST(FakeDispatcher, FlowThresholdsOutOfOrderAreRefused) {
  TFakeDispatcher d;
  ASSERT_EQ(OpenFake(d), 0);
  EXPECT_EQ(d.SetHWFlow(10, 20, 0), ecBadArgument);
  EXPECT_EQ(d.SetHWFlow(5000, 0, 0), ecBadArgument);  // above the input size
  EXPECT_EQ(d.SetHWFlow(100, 10, 0), 0);
  EXPECT_EQ(d.LineState().XoffLim, 4096 - 100);
}

TEST(PortRegistry, NewDispatcherTakesFirstEmptySlot) {
  const int before = TSerlPortRegistry::Count();
  auto a = std::make_unique<TFakeDispatcher>();
  auto b = std::make_unique<TFakeDispatcher>();
  auto c = std::make_unique<TFakeDispatcher>();
  EXPECT_EQ(TSerlPortRegistry::Find(b->Handle()), b.get());
  const int freed = b->Handle();
  b.reset();
  EXPECT_EQ(TSerlPortRegistry::Find(freed), nullptr);
  auto d = std::make_unique<TFakeDispatcher>();
  EXPECT_EQ(d->Handle(), freed);
  EXPECT_EQ(TSerlPortRegistry::Count(), before + 3);
  a.reset();
  c.reset();
  d.reset();
  EXPECT_EQ(TSerlPortRegistry::Count(), before);
}

// The component's open and property rules, seen through the fake's calls.
class FakePortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_.SetComNumber(2);
    port_.SetBaud(9600);
    port_.SetDispatcherFactory([this](TSerlCustomComPort* owner) {
      auto d = std::make_unique<TFakeDispatcher>(owner);
      fake_ = d.get();
      return d;
    });
  }
  TSerlComPort port_;
  TFakeDispatcher* fake_ = nullptr;
};

TEST_F(FakePortTest, OpenEndsWithDtrThenRtsAndRepeatedSettersChangeNothing) {
  port_.SetOpen(true);
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(fake_->Calls({"open"}), Calls{"open \\\\.\\COM2"});
  const auto escapes = fake_->Calls({"escape"});
  ASSERT_GE(escapes.size(), 2u);
  EXPECT_EQ(escapes[escapes.size() - 2], "escape 5");
  EXPECT_EQ(escapes.back(), "escape 3");

  fake_->ClearCalls();
  port_.SetOpen(true);
  port_.SetRTS(true);
  port_.SetComNumber(2);
  port_.SetBaud(9600);
  EXPECT_EQ(fake_->Calls({"escape", "setstate", "open", "close"}), Calls{});
  port_.SetRTS(false);
  EXPECT_EQ(fake_->Calls({"escape"}), Calls{"escape 4"});
  EXPECT_FALSE(port_.RTS());
}

TEST_F(FakePortTest, PropertiesStoredWhileClosedApplyAtOpen) {
  port_.SetRTS(false);
  port_.SetBaud(38400);
  port_.SetTracing(TTraceLogState::tlDump);  // only on or off is kept while closed
  EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOff);
  port_.SetTracing(TTraceLogState::tlOn);
  port_.SetOpen(true);
  EXPECT_EQ(fake_->Calls({"setstate"}).front(), "setstate 38400 8 0 0");
  EXPECT_EQ(fake_->Calls({"escape"}).back(), "escape 4");
  EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOn);
  EXPECT_EQ(fake_->Tracing(), TTraceLogState::tlOn);
}

TEST_F(FakePortTest, BaudChangeWhileOpenSetsLineWithoutReopening) {
  port_.SetOpen(true);
  fake_->ClearCalls();
  port_.SetBaud(19200);
  EXPECT_EQ(fake_->Calls({"open", "close", "sleep", "setstate"}),
            (Calls{"sleep 19", "setstate 19200 8 0 0"}));
}

TEST_F(FakePortTest, ComNumberZeroWithoutPromptRaisesNoPortSelected) {
  port_.SetComNumber(0);
  port_.SetPromptForPort(false);
  EXPECT_THROW(port_.SetOpen(true), ENoPortSelected);
  port_.SetPromptForPort(true);
  port_.SetPortSelector([] { return 0; });  // the user cancelled
  EXPECT_THROW(port_.SetOpen(true), ENoPortSelected);
  port_.SetPortSelector([] { return 12; });
  port_.SetOpen(true);
  EXPECT_EQ(port_.ComNumber(), 12);
  EXPECT_EQ(fake_->Calls({"open"}), Calls{"open \\\\.\\COM12"});
}

TEST_F(FakePortTest, OtherDeviceLayerRaisesNullApi) {
  port_.SetDeviceLayer(TDeviceLayer::dlWinsock);
  EXPECT_THROW(port_.SetOpen(true), ENullApi);
  EXPECT_FALSE(port_.Open());
}

// The link closes the port after its reset packet only once the reset has
// left: the output ring and the driver's transmit queue both, since closing
// purges the driver's queue as well.
TEST_F(FakePortTest, LinkDrainWaitsForTheRingAndTheDriverQueue) {
  struct Case {
    const char* name;
    bool ringHeld;               // a byte stays in the output ring
    std::uint32_t driverOutput;  // bytes the driver still has to send
    bool drained;
  };
  const Case cases[] = {
      {"nothing queued", false, 0, true},
      {"a byte in the ring", true, 0, false},
      {"bytes in the driver", false, 3, false},
      {"both", true, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    canalarm::SerialLinkPort link(port_);
    port_.SetOpen(true);
    ASSERT_NE(fake_, nullptr);
    if (c.ringHeld) fake_->HoldWrites();
    fake_->SetDriverOutput(c.driverOutput);
    if (c.ringHeld) {
      link.WriteByte(0x04);
      ASSERT_TRUE(WaitFor([&] { return fake_->WriteWaiting(); }));
    }
    EXPECT_EQ(link.DrainOutput(std::chrono::milliseconds(30)), c.drained);
    // Once everything has gone, the same drain succeeds; the limit is only
    // patience, the drain returns as soon as the byte is out.
    fake_->SetDriverOutput(0);
    if (c.ringHeld) fake_->AllowWrites(1);
    EXPECT_TRUE(link.DrainOutput(std::chrono::milliseconds(30000)));
    port_.SetOpen(false);
  }
}

}  // namespace
}  // namespace canalarm::serl

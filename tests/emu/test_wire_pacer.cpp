// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "emu/WirePacer.h"

namespace canalarm::emu {
namespace {

using std::chrono::microseconds;

TEST(WirePacer, TenBitsPerByte) {
  EXPECT_EQ(WirePacer::ByteTime(0), Clock::duration::zero());
  EXPECT_EQ(WirePacer::ByteTime(10'000), microseconds(1000));
  using MicrosF = std::chrono::duration<double, std::micro>;
  EXPECT_NEAR(MicrosF(WirePacer::ByteTime(9600)).count(), 1041.67, 0.01);
}

TEST(WirePacer, BytesQueueBehindEachOtherInEachDirection) {
  const TimePoint t0{};
  const auto byte = microseconds(1000);
  WirePacer pacer;
  // Three bytes read at once arrive one byte time apart.
  EXPECT_EQ(pacer.Arrival(t0, byte), t0 + microseconds(1000));
  EXPECT_EQ(pacer.Arrival(t0, byte), t0 + microseconds(2000));
  EXPECT_EQ(pacer.Arrival(t0, byte), t0 + microseconds(3000));
  // A byte read after the line went quiet starts afresh.
  EXPECT_EQ(pacer.Arrival(t0 + microseconds(10'000), byte), t0 + microseconds(11'000));
  // Output is paced on its own, and waits for its time.
  EXPECT_EQ(pacer.Departure(t0 + microseconds(500), byte), t0 + microseconds(1500));
  EXPECT_EQ(pacer.Departure(t0, byte), t0 + microseconds(2500));
}

}  // namespace
}  // namespace canalarm::emu

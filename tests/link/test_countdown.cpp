// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "link/Countdown.h"

using namespace canalarm;
using std::chrono::milliseconds;

TEST(Countdown, TicksEveryFiftyMillisecondsAndStopsAtZero) {
  Countdown countdown;
  const LinkClock::time_point t0{};
  countdown.Arm(3, t0);
  EXPECT_FALSE(countdown.DeliverDueTick(t0 + milliseconds(49)));
  EXPECT_TRUE(countdown.DeliverDueTick(t0 + milliseconds(50)));
  EXPECT_FALSE(countdown.DeliverDueTick(t0 + milliseconds(99)));
  EXPECT_TRUE(countdown.DeliverDueTick(t0 + milliseconds(100)));
  EXPECT_TRUE(countdown.DeliverDueTick(t0 + milliseconds(150)));
  EXPECT_EQ(countdown.Value(), 0);
  EXPECT_FALSE(countdown.TickerEnabled());
  EXPECT_FALSE(countdown.DeliverDueTick(t0 + milliseconds(1000)));
  EXPECT_EQ(countdown.Value(), 0);
}

TEST(Countdown, MissedTicksDoNotPileUp) {
  Countdown countdown;
  const LinkClock::time_point t0{};
  countdown.Arm(30, t0);
  // A pump after a 500 ms stall delivers one tick, and the next one falls
  // due a full interval later, not at once.
  EXPECT_TRUE(countdown.DeliverDueTick(t0 + milliseconds(500)));
  EXPECT_FALSE(countdown.DeliverDueTick(t0 + milliseconds(500)));
  EXPECT_EQ(countdown.Value(), 29);
  EXPECT_EQ(*countdown.NextTickDue(), t0 + milliseconds(550));
}

TEST(Countdown, CancelIsHeldUntilTheNextOperation) {
  Countdown countdown;
  const LinkClock::time_point t0{};
  countdown.Arm(10, t0);
  countdown.Cancel();
  EXPECT_EQ(countdown.Value(), -1);
  EXPECT_TRUE(countdown.CancelRequested());
  EXPECT_FALSE(countdown.TickerEnabled());
  // The next wait's arming does not overwrite it: the Cancel between two
  // packets stops the operation.
  countdown.Arm(30, t0 + milliseconds(10));
  EXPECT_EQ(countdown.Value(), -1);
  EXPECT_FALSE(countdown.TickerEnabled());
  // A new operation forgets it and arms as usual.
  countdown.ClearCancel();
  countdown.Arm(30, t0 + milliseconds(10));
  EXPECT_EQ(countdown.Value(), 30);
  EXPECT_EQ(*countdown.NextTickDue(), t0 + milliseconds(60));
  // Arming a running ticker keeps its rhythm.
  countdown.Arm(25, t0 + milliseconds(40));
  EXPECT_EQ(*countdown.NextTickDue(), t0 + milliseconds(60));
}

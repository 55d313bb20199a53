// SPDX-License-Identifier: MIT
// The window's parts without Qt: its command line, the time left of a
// progress bar, and the log line after a port did not open.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ui/GuiCommandLine.h"
#include "ui/PortFacts.h"
#include "ui/ProgressTimeLeft.h"

namespace canalarm::ui {
namespace {

TEST(GuiCommandLine, ChoosesLanguageAndFile) {
  const GuiCommandLine line = ParseGuiCommandLine({"--lang", "pl", "fw.hexfw"});
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.language, Language::Polish);
  EXPECT_EQ(line.firmwareFile, "fw.hexfw");
  EXPECT_EQ(ParseGuiCommandLine({"--lang=3"}).language, Language::Russian);
  EXPECT_EQ(ParseGuiCommandLine({"--lang", "CZ"}).language, Language::Czech);
  EXPECT_EQ(ParseGuiCommandLine({"--lang", "hu"}).language, Language::Hungarian);
  EXPECT_EQ(ParseGuiCommandLine({"--", "-odd-name.hexfw"}).firmwareFile, "-odd-name.hexfw");
  EXPECT_FALSE(ParseGuiCommandLine({}).language.has_value());
}

TEST(GuiCommandLine, RefusesWhatItCannotUse) {
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--lang"}, {"--lang", "7"}, {"--lang", "fr"}, {"--lang", "e"},
        {"--frobnicate"}, {"a.hexfw", "b.hexfw"}})
    EXPECT_NE(ParseGuiCommandLine(bad).error, "") << bad.front();
}

TEST(ProgressTimeLeft, EstimatesFromThePhasesRate) {
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  ProgressTimeLeft estimate;
  const ProgressTimeLeft::Clock::time_point t0{};
  estimate.Update(0, 1000, 0, t0);
  EXPECT_FALSE(estimate.SecondsLeft(t0 + seconds(5)).has_value());  // no progress yet
  estimate.Update(0, 1000, 1, t0 + milliseconds(100));
  EXPECT_FALSE(estimate.SecondsLeft(t0 + milliseconds(100)).has_value());  // too early to tell
  estimate.Update(0, 1000, 250, t0 + seconds(30));
  EXPECT_EQ(estimate.SecondsLeft(t0 + seconds(30)), 90);
  EXPECT_EQ(estimate.Percent(), 25);
  // The wake-up counts down: a position going back starts a new phase.
  estimate.Update(0, 1000, 100, t0 + seconds(31));
  EXPECT_FALSE(estimate.SecondsLeft(t0 + seconds(40)).has_value());
}

TEST(PortFacts, AReasonThePortCannotTellIsThePortsOwnText) {
  PortFacts plain;
  plain.number = 7;
  plain.device = "/dev/ttyS6";
  plain.present = true;
  EXPECT_EQ(PortOpenFailureLine(plain, Language::English, "Input/output error"),
            "COM7 (/dev/ttyS6): Input/output error");
}

}  // namespace
}  // namespace canalarm::ui

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

TEST(PortFacts, ItemsEndInTheirStateWhichTheClosedListKeeps) {
  auto port = [](int n, const char* device, bool present) {
    PortFacts facts;
    facts.number = n;
    facts.device = device;
    facts.present = present;
    return facts;
  };
  PortFacts pty = port(1, "/dev/pts/3", true);
  pty.kind = PortKindName::PseudoTerminal;
  PortFacts held = port(2, "/dev/ttyS1", true);
  held.kind = PortKindName::Onboard;
  held.inUse = true;
  held.holder = "minicom (pid 812)";
  PortFacts usb = port(5, "/dev/ttyUSB0", true);
  usb.product = "FT232R USB UART";
  usb.kind = PortKindName::Onboard;  // a product name goes first
  usb.noAccess = true;
  struct Case {
    PortFacts facts;
    Language language;
    std::string item, state;
  };
  const std::vector<Case> cases{
      {pty, Language::English, "COM1  /dev/pts/3 · pseudo-terminal", ""},
      {pty, Language::Slovak, "COM1  /dev/pts/3 · pseudoterminál", ""},
      {held, Language::English, "COM2  /dev/ttyS1 · on-board serial port (in use)", " (in use)"},
      {held, Language::Polish, "COM2  /dev/ttyS1 · wbudowany port szeregowy (zajęty)", " (zajęty)"},
      {usb, Language::English, "COM5  /dev/ttyUSB0 · FT232R USB UART (no access)", " (no access)"},
      {port(3, "/x/missing", false), Language::English, "COM3  /x/missing – nothing there", " – nothing there"},
      {port(4, "", false), Language::German, "COM4  – kein Gerät", " – kein Gerät"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PortItemText(c.facts, c.language), c.item);
    EXPECT_EQ(PortItemState(c.facts, c.language), c.state) << c.item;
  }
  // A failed open names the holder where it is known.
  EXPECT_EQ(PortOpenFailureLine(held, Language::English, "busy"),
            "COM2 (/dev/ttyS1): in use by another program – minicom (pid 812)");
}

}  // namespace
}  // namespace canalarm::ui

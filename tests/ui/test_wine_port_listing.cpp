// SPDX-License-Identifier: MIT
// The window tests' guard under Wine: which lists of checked COM ports let
// a test run.
#include <gtest/gtest.h>

#include "WinePortListing.h"

namespace canalarm::test {
namespace {

// COM1..3, each masked unless `lines` says otherwise (appended last).
std::string Listing(const std::string& lines) {
  std::string text;
  for (int n = 1; n <= 3; ++n) {
    const std::string name = "com" + std::to_string(n);
    if (lines.find(name + " ") == std::string::npos)
      text += name + " " + std::string(kMaskedPortTarget) + "\n";
  }
  return text + lines;
}

TEST(WinePortListing, RunsOnlyWhenEveryPortIsATerminalOrNothing) {
  struct Case {
    const char* what;
    std::string listing;
    std::string problem;  // empty: the tests may run
  } cases[] = {
      {"all masked", Listing(""), ""},
      {"terminals", Listing("com1 /dev/pts/4\ncom3 /dev/pts/17\n"), ""},
      {"Windows line ends", "com1 /dev/pts/4\r\ncom2 /dev/pts/5\r\ncom3 /dev/pts/6\r\n", ""},
      {"upper case, driver path", Listing("\\\\.\\COM2 /dev/pts/1\n"), ""},
      {"the console", Listing("com1 /dev/ttyS0\n"), "com1 leads to /dev/ttyS0"},
      {"a USB adapter", Listing("com3 /dev/ttyUSB0\n"), "com3 leads to /dev/ttyUSB0"},
      {"a look-alike prefix", Listing("com2 /dev/ptsx/1\n"), "com2 leads to /dev/ptsx/1"},
      {"out of the terminals", Listing("com2 /dev/pts/../ttyS0\n"), "com2 leads to /dev/pts/../ttyS0"},
      {"a relative terminal", Listing("com2 dev/pts/1\n"), "com2 leads to dev/pts/1"},
      {"one missing", "com1 /dev/pts/4\ncom3 /dev/pts/6\n", "COM2 is not among the checked ports"},
      {"empty", "", "COM1 is not among the checked ports"},
      {"a path with a space", Listing("com2 /dev/pts/1 x\n"), "unreadable line: com2 /dev/pts/1 x"},
      {"no target", Listing("com2\n"), "unreadable line: com2"},
      {"not a port", Listing("lpt1 /dev/pts/1\n"), "not a COM port: lpt1 /dev/pts/1"},
  };
  for (const Case& c : cases) EXPECT_EQ(WinePortListingProblem(c.listing, 3), c.problem) << c.what;
}

TEST(WinePortListing, PortsAboveTheProbedOnesMayBeMissing) {
  EXPECT_EQ(WinePortListingProblem(Listing(""), 3), "");
  EXPECT_EQ(WinePortListingProblem(Listing(""), 4), "COM4 is not among the checked ports");
}

}  // namespace
}  // namespace canalarm::test

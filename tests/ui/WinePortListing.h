// SPDX-License-Identifier: MIT
// The Wine test runner's list of the COM ports it mapped and checked
// (tests/wine/run_wine_tests.py writes it, CANALARM_WINE_PORTS names it):
// one "comN TARGET" line per port, TARGET a pseudo-terminal (/dev/pts/...)
// or the masked path that leads nowhere.
#pragma once

#include <string>
#include <string_view>

namespace canalarm::test {

// Where the runner points a COM number it does not use.
inline constexpr std::string_view kMaskedPortTarget = "/nonexistent/canalarm-masked-port";

// Why the listing does not keep COM1..maxPort away from real devices (a
// port missing, leading elsewhere, or a line that can't be read), or empty
// when it does.
std::string WinePortListingProblem(std::string_view listing, int maxPort);

}  // namespace canalarm::test

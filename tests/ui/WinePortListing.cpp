// SPDX-License-Identifier: MIT
#include "WinePortListing.h"

#include <set>
#include <sstream>

#include "serial/SerlPortPaths.h"

namespace canalarm::test {

std::string WinePortListingProblem(std::string_view listing, int maxPort) {
  std::istringstream lines{std::string(listing)};
  std::set<int> checked;
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::string name, target, extra;
    if (!(fields >> name >> target) || (fields >> extra)) return "unreadable line: " + line;
    const int n = serl::ParseComPortPath(name);
    if (n == 0) return "not a COM port: " + line;
    const bool terminal = target.starts_with("/dev/pts/") && target.find("/..") == std::string::npos;
    if (!terminal && target != kMaskedPortTarget) return name + " leads to " + target;
    checked.insert(n);
  }
  for (int n = 1; n <= maxPort; ++n) {
    if (!checked.contains(n)) return "COM" + std::to_string(n) + " is not among the checked ports";
  }
  return {};
}

}  // namespace canalarm::test

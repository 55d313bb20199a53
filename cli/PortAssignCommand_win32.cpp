// SPDX-License-Identifier: MIT
// Windows numbers its COM ports itself: Device Manager changes a number.
#include "cli/ExitStatus.h"
#include "cli/PortAssignCommand.h"

namespace canalarm::cli {

namespace {

int Refuse(std::ostream& err) {
  err << "canalarm: Windows numbers its COM ports itself; change a port's number in Device "
         "Manager (the port's Properties, Port Settings, Advanced)\n";
  return kExitUsage;
}

}  // namespace

int RunAssign(const std::string&, const std::string&, bool, const serl::TSerlSystemRoots&,
              std::ostream&, std::ostream& err) {
  return Refuse(err);
}

int RunUnassign(const std::string&, std::ostream&, std::ostream& err) { return Refuse(err); }

}  // namespace canalarm::cli

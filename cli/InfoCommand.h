// SPDX-License-Identifier: MIT
// `canalarm info FILE`: reads a firmware file as an upload would and tells
// what it holds.
#pragma once

#include <ostream>
#include <string>

#include "cli/FirmwareFileForm.h"

namespace CLI {
class App;
}

namespace canalarm::cli {

struct InfoOptions {
  std::string file;
  FormChoice form;    // --plain, --encoded; otherwise the file's name decides
  bool json = false;  // one JSON object instead of the summary
};

// Runs the firmware load and the help reading on the file and prints the
// result; a load that fails is explained on `err`, with the other form's
// option when the file loads in that form. Returns the exit status: 0
// loaded, 1 the load failed, 2 the file can't be opened or read.
int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err);

// Adds the subcommand to `app`; its exit status goes to `exitStatus`.
void AddInfoCommand(CLI::App& app, int& exitStatus);

}  // namespace canalarm::cli

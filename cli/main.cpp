// SPDX-License-Identifier: MIT
// canalarm: the command line of the CAN alarm bootloader tool.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CodecCommands.h"
#include "cli/CommandArguments.h"
#include "cli/ExitStatus.h"
#include "cli/InfoCommand.h"
#include "cli/LinkCommands.h"
#include "cli/PortsCommand.h"

int main(int argc, char** argv) {
  using namespace canalarm::cli;
  CLI::App app{"canalarm: firmware and parameters of the CAN alarm module, over its bootloader"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string(CANALARM_VERSION));
  int exitStatus = kExitOk;
  AddInfoCommand(app, exitStatus);
  AddEncodeCommand(app, exitStatus);
  AddDecodeCommand(app, exitStatus);
  AddLinkCommands(app, exitStatus);
  AddPortsCommand(app, exitStatus);
  try {
    // The name parse(argc, argv) would take; CLI11 takes the arguments last first.
    if (argc > 0) app.name(argv[0]);
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::reverse(arguments.begin(), arguments.end());
    app.parse(arguments);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  return exitStatus;
}

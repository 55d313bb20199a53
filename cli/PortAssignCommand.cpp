// SPDX-License-Identifier: MIT
#include "cli/PortAssignCommand.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <iostream>

namespace canalarm::cli {

int ParseComNumber(const std::string& text) {
  std::string digits = text;
  if (digits.size() > 3 && std::toupper(static_cast<unsigned char>(digits[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(digits[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(digits[2])) == 'M')
    digits = digits.substr(3);
  if (digits.empty() || digits.size() > 3) return 0;
  int n = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= kMaxAssignedPort ? n : 0;
}

void AddPortAssignCommands(CLI::App& ports, int& exitStatus) {
  struct Options {
    std::string com, device;
    bool force = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* assign = ports.add_subcommand(
      "assign", "Give a serial device a COM number (a link in the ports folder)");
  assign->add_option("COMn", options->com, "The COM number, COM1 to COM255")->required();
  assign->add_option("DEVICE", options->device, "The serial device, e.g. /dev/ttyUSB0")
      ->required();
  assign->add_flag("--force", options->force, "Replace the number's existing link");
  assign->callback([options, &exitStatus] {
    exitStatus = RunAssign(options->com, options->device, options->force,
                           serl::TSerlSystemRoots::FromEnvironment(), std::cout, std::cerr);
  });
  CLI::App* unassign =
      ports.add_subcommand("unassign", "Remove a COM number's link from the ports folder");
  unassign->add_option("COMn", options->com, "The COM number")->required();
  unassign->callback(
      [options, &exitStatus] { exitStatus = RunUnassign(options->com, std::cout, std::cerr); });
}

}  // namespace canalarm::cli

// SPDX-License-Identifier: MIT
#include "cli/PortsCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/ExitStatus.h"
#include "serial/SerlPortPaths.h"
#include "serial/SerlPortProbe.h"

namespace canalarm::cli {

namespace {

std::string_view StateName(serl::TPortState state) {
  switch (state) {
    case serl::TPortState::Free: return "free";
    case serl::TPortState::InUse: return "in use";
    case serl::TPortState::NoAccess: return "no access";
  }
  return "?";
}

}  // namespace

int RunPorts(bool json, bool all, std::ostream& out) {
  const std::vector<serl::TSerlPortInfo> ports = serl::ListPorts(all);
  if (json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const serl::TSerlPortInfo& port : ports)
      list.push_back({{"port", "COM" + std::to_string(port.number)},
                      {"device", port.devicePath},
                      {"state", StateName(port.state)}});
    out << nlohmann::ordered_json{{"ports", list}}.dump(2) << '\n';
    return kExitOk;
  }
  if (ports.empty()) {
    out << "No serial ports found. Link one into " << serl::PortsFolder().string()
        << " (for example com1 -> /dev/ttyUSB0).\n";
    return kExitOk;
  }
  for (const serl::TSerlPortInfo& port : ports) {
    out << "COM" << port.number << "\t" << port.devicePath;
    if (port.state != serl::TPortState::Free) out << "\t(" << StateName(port.state) << ")";
    out << '\n';
  }
  return kExitOk;
}

void AddPortsCommand(CLI::App& app, int& exitStatus) {
  auto json = std::make_shared<bool>(false);
  auto all = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand("ports", "List the serial ports that can be used");
  command->add_flag("--json", *json, "Print one JSON object");
  command->add_flag("--all", *all, "Also list ports this user may not open");
  command->callback([json, all, &exitStatus] { exitStatus = RunPorts(*json, *all, std::cout); });
}

}  // namespace canalarm::cli

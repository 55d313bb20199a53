// SPDX-License-Identifier: MIT
#include "cli/PortsCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/ExitStatus.h"
#include "cli/PortAssignCommand.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::cli {

namespace {

std::string StateName(const serl::TSerlPortDescription& port) {
  if (!port.present) return "absent";
  if (port.inUse) return "in use";
  if (port.noAccess) return "no access";
  if (port.inUseUnknown) return "unknown";
  return "free";
}

std::string PortName(const serl::TSerlPortDescription& port) {
  return port.comNumber > 0 ? "COM" + std::to_string(port.comNumber) : std::string("-");
}

// "USB adapter 0403:6001, FTDI FT232R USB UART, serial A1B2C3, by-id usb-...,
// in use by minicom (pid 812)"
std::string Details(const serl::TSerlPortDescription& port) {
  std::vector<std::string> parts;
  if (!port.present) {
    std::string what = "not present";
    if (!port.absentReason.empty() && port.kind != serl::TPortKind::Absent)
      what = std::string(serl::PortKindText(port.kind)) + ", not present (" + port.absentReason + ")";
    parts.push_back(what);
  } else {
    std::string kind = serl::PortKindText(port.kind);
    if (port.kind == serl::TPortKind::Other) kind = "serial device";
    if (!port.vendorId.empty()) kind += " " + port.vendorId + ":" + port.productId;
    if (!port.driver.empty()) kind += " (" + port.driver + ")";
    parts.push_back(kind);
    std::string names = port.manufacturer;
    if (!port.product.empty()) names += (names.empty() ? "" : " ") + port.product;
    if (!port.friendlyName.empty()) names = port.friendlyName;
    if (!names.empty()) parts.push_back(names);
    if (!port.serialNumber.empty()) parts.push_back("serial " + port.serialNumber);
  }
  if (!port.byIdName.empty()) parts.push_back("by-id " + port.byIdName);
  if (!port.peer.empty()) parts.push_back("other end " + port.peer);
  if (port.inUse) parts.push_back(port.holder.empty() ? "in use" : "in use by " + port.holder);
  if (port.inUseUnknown) parts.push_back("in use: unknown");
  if (port.noAccess) parts.push_back("no access");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

nlohmann::ordered_json ToJson(const serl::TSerlPortDescription& port) {
  nlohmann::ordered_json item;
  item["port"] = port.comNumber > 0 ? nlohmann::ordered_json(PortName(port)) : nullptr;
  item["device"] = port.device;
  item["kind"] = serl::PortKindKey(port.kind);
  item["present"] = port.present;
  item["state"] = StateName(port);
  // null where nothing could tell, so that a script's truth test of inUse
  // still means "known to be held".
  item["inUse"] = port.inUseUnknown ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(port.inUse);
  item["noAccess"] = port.noAccess;
  auto optional = [&item](const char* key, const std::string& value) {
    if (!value.empty()) item[key] = value;
  };
  optional("absentReason", port.absentReason);
  optional("link", port.link);
  optional("kernelName", port.kernelName);
  optional("driver", port.driver);
  optional("vendorId", port.vendorId);
  optional("productId", port.productId);
  optional("manufacturer", port.manufacturer);
  optional("product", port.product);
  optional("serialNumber", port.serialNumber);
  optional("byId", port.byIdName);
  optional("friendlyName", port.friendlyName);
  optional("holder", port.holder);
  optional("peer", port.peer);
  item["summary"] = serl::PortSummary(port);
  return item;
}

}  // namespace

int RunPorts(bool json, bool withGhosts, const serl::TSerlSystemRoots& roots, std::ostream& out) {
  const std::vector<serl::TSerlPortDescription> ports = serl::DescribePorts(roots, withGhosts);
  if (json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const serl::TSerlPortDescription& port : ports) list.push_back(ToJson(port));
    out << nlohmann::ordered_json{{"ports", list}}.dump(2) << '\n';
    return kExitOk;
  }
  if (ports.empty()) {
#ifdef _WIN32
    out << "No serial ports found.\n";
#else
    out << "No serial ports found. Give one a number with `canalarm ports assign COMn DEVICE`"
        << " (links in " << serl::PortsFolder().string() << ").\n";
#endif
    return kExitOk;
  }
  for (const serl::TSerlPortDescription& port : ports)
    out << PortName(port) << '\t' << port.device << '\t' << Details(port) << '\n';
  return kExitOk;
}

void AddPortsCommand(CLI::App& app, int& exitStatus) {
  auto json = std::make_shared<bool>(false);
  auto all = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand(
      "ports", "List the serial ports: what each COM number and serial device is");
  command->add_flag("--json", *json, "Print one JSON object");
  command->add_flag("--all", *all, "Also list on-board UARTs with no hardware behind them");
  command->require_subcommand(0, 1);
  AddPortAssignCommands(*command, exitStatus);
  command->callback([command, json, all, &exitStatus] {
    if (!command->get_subcommands().empty()) return;  // assign or unassign ran
    exitStatus = RunPorts(*json, *all, serl::TSerlSystemRoots::FromEnvironment(), std::cout);
  });
}

}  // namespace canalarm::cli

// SPDX-License-Identifier: MIT
#include "cli/InfoCommand.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "cli/ExitStatus.h"
#include "firmware/Sha256.h"
#include "firmware/FirmwareLoad.h"
#include "firmware/HelpText.h"
#include "firmware/LoadSummary.h"
#include "firmware/HexRecordReader.h"
#include "firmware/TextEncoding.h"
#include "firmware/TextLineReader.h"

namespace canalarm::cli {

namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  return out;
}

struct Report {
  LoadResult load;
  FirmwareImages images;
  std::vector<std::string> help;
  std::string error;  // an input error while reading
};

void PrintJson(const InfoOptions& options, FirmwareForm form, const Report& report, std::ostream& out) {
  nlohmann::ordered_json json;
  json["file"] = options.file;
  json["format"] = form == FirmwareForm::Plain ? "hex" : "hexfw";
  json["result"] = report.load.outcome == LoadOutcome::CannotOpen ? -1 : report.load.lastResult;
  json["loaded"] = report.load.outcome == LoadOutcome::Loaded;
  json["records"] = report.load.records;
  json["highestFlash"] = report.images.highestFlash;
  json["highestEeprom"] = report.images.highestEeprom;
  json["flashSha256"] = Sha256Hex(report.images.flash);
  json["eepromSha256"] = Sha256Hex(report.images.eeprom);
  json["configSha256"] = Sha256Hex(report.images.config);
  json["help"] = nlohmann::json::array();
  json["helpHex"] = nlohmann::json::array();
  for (const std::string& line : report.help) {
    json["help"].push_back(HelpLineToUtf8(line));
    json["helpHex"].push_back(Hex(line));
  }
  if (!report.error.empty()) json["error"] = report.error;
  out << json.dump(2) << '\n';
}

void PrintSummary(const InfoOptions& options, FirmwareForm form, const Report& report,
                  std::ostream& out) {
  out << "File:           " << options.file << " (" << FirmwareFormName(form) << ")\n"
      << "Load:           " << LoadOutcomeText(report.load, form) << '\n'
      << "FLASH:          highest address " << ImageAddress(report.images.highestFlash, 4)
      << ", SHA-256 " << Sha256Hex(report.images.flash) << '\n'
      << "EEPROM:         highest offset " << ImageAddress(report.images.highestEeprom, 2)
      << ", SHA-256 " << Sha256Hex(report.images.eeprom) << '\n'
      << "Configuration:  SHA-256 " << Sha256Hex(report.images.config) << '\n'
      << "Help:           " << report.help.size()
      << (report.help.size() == 1 ? " line" : " lines") << '\n';
  for (const std::string& line : report.help) out << "  " << HelpLineToUtf8(line) << '\n';
}

}  // namespace

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err) {
  const FirmwareForm form = ChooseFirmwareForm(options.file, options.form);
  const bool decode = Decodes(form);
  Report report;
  try {
    report.load = LoadFirmware(options.file, decode, report.images);
    if (report.load.outcome != LoadOutcome::CannotOpen) {
      report.help = ReadHelpLines(options.file, decode).value_or(std::vector<std::string>{});
    }
  } catch (const FileInputError& e) {
    report.error = e.what();
    report.load.outcome = LoadOutcome::CannotOpen;
  }
  if (report.load.outcome == LoadOutcome::CannotOpen && report.error.empty())
    report.error = "cannot open " + options.file;

  if (options.json) {
    PrintJson(options, form, report, out);
  } else if (report.error.empty()) {
    PrintSummary(options, form, report, out);
  }
  if (!report.error.empty()) {
    err << "canalarm: " << report.error << '\n';
    return kExitUsage;
  }
  if (report.load.outcome == LoadOutcome::Loaded) return kExitOk;
  err << "canalarm: " << LoadFailureText(options.file, form, options.form, report.load) << '\n';
  return kExitFailed;
}

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Read a firmware file as an upload would and show what it holds");
  command->add_option("FILE", options->file, "Firmware file: record-encoded (.hexfw) or plain Intel HEX (.hex)")
      ->required();
  AddFormOptions(*command, options->form);
  command->add_flag("--json", options->json, "Print one JSON object");
  command->callback([options, &exitStatus] {
    exitStatus = RunInfo(*options, std::cout, std::cerr);
  });
}

}  // namespace canalarm::cli

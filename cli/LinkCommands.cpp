// SPDX-License-Identifier: MIT
#include "cli/LinkCommands.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/ExitStatus.h"
#include "cli/LinkOutcomeText.h"
#include "cli/ParameterFields.h"
#include "cli/TerminalHost.h"
#include "firmware/FileName.h"
#include "firmware/FirmwareLoad.h"
#include "firmware/TextLineReader.h"
#include "firmware/Sha256.h"
#include "link/BackupStore.h"
#include "link/FirmwareUpload.h"
#include "link/ModuleSettings.h"
#include "link/SerialLinkPort.h"
#include "link/VersionRead.h"
#include "link/ParameterTransfer.h"
#include "serial/SerlErrorText.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlPortPaths.h"
#include "serial/TSerlComPort.h"
#include "texts/Language.h"

namespace canalarm::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  return out;
}

// One port's whole stack: the component, the link's view of it, a host and
// the link itself.
struct Station {
  Station(const LinkOptions& options, const MessageSet& messages, TerminalHost::Settings settings,
          std::ostream& out, std::ostream& err)
      : host(out, err, messages, std::move(settings)) {
    if (!options.trace.empty()) {
      component.SetTraceName(options.trace);
      component.SetTracing(serl::TTraceLogState::tlOn);
    }
    link.SetRandomKey(options.randomKey);
  }
  serl::TSerlComPort component;
  SerialLinkPort port{component};
  TerminalHost host;
  BootloaderLink link{port, host};
};

struct PortRun {
  LinkOutcome outcome = LinkOutcome::Done;
  int exitStatus = kExitOk;
  Json extra = Json::object();  // what the operation adds to the JSON result
  std::string error;            // what went wrong, for stderr and the JSON result
  PortOpenReason openReason = PortOpenReason::Other;  // of a port that did not open
};

// An operation on one port: returns its outcome, and adds to the run's JSON
// result and error.
using PortOperation = std::function<LinkOutcome(Station&, PortRun&)>;

// Runs `operation` on one port and closes the port afterwards, once the
// queued output (the reset) has left.
PortRun RunOnPort(const LinkOptions& options, const MessageSet& messages, const std::string& name,
                  TerminalHost::Settings settings, std::ostream& out, std::ostream& err,
                  const PortOperation& operation) {
  PortRun run;
  Station station(options, messages, std::move(settings), out, err);
  try {
    run.outcome = operation(station, run);
    run.exitStatus = OutcomeExitStatus(run.outcome);
    if (run.outcome == LinkOutcome::PortOpenError) {
      run.error = station.link.LastOpenError();
      run.openReason = station.link.LastOpenReason();
    }
    if (run.error.empty() && run.outcome == LinkOutcome::NotAllowed)
      run.error = name + ": refused while another operation runs";
  } catch (const ParameterError& e) {
    run.error = name + ": " + e.what();
    run.exitStatus = kExitUsage;
  } catch (const serl::ESerlException& e) {
    // A port error after the port was opened, such as a vanished device.
    // Codes without a class of their own come as a bare "Serl exception";
    // the code they came from says what happened.
    const bool bare = e.ErrorCode() == 0 && e.SourceCode() != 0;
    const std::string why = bare ? serl::ErrorMessage(e.SourceCode()) : std::string();
    run.error = name + ": port error: " + (why.empty() ? std::string(e.what()) : why);
    run.outcome = LinkOutcome::PortLost;
    run.exitStatus = kExitFailed;
  } catch (const std::exception& e) {
    run.error = name + ": port error: " + e.what();
    run.outcome = LinkOutcome::PortLost;
    run.exitStatus = kExitFailed;
  }
  station.host.EndProgress();
  try {
    station.link.CloseAfterOutput();
  } catch (const std::exception& e) {
    if (run.error.empty()) run.error = name + ": closing the port: " + e.what();
  }
  run.extra["messages"] = station.host.Shown();
  return run;
}

MessageSet MessagesFor(int language) {
  MessageSet messages;
  messages.Refill(LanguageFromCode(static_cast<char>('0' + language)).value_or(Language::English));
  return messages;
}

TerminalHost::Settings SingleSettings(const LinkOptions& options) {
  TerminalHost::Settings settings;
  settings.echo = !options.json;
  settings.progressBar = options.progress && !options.json && isatty(STDERR_FILENO);
  return settings;
}

// Prints the result of one port and returns its exit status.
int Finish(const LinkOptions& options, const PortChoice& choice, const PortRun& run,
           std::ostream& out, std::ostream& err) {
  if (!run.error.empty()) err << "canalarm: " << run.error << '\n';
  if (run.outcome == LinkOutcome::PortOpenError && run.openReason == PortOpenReason::PermissionDenied)
    err << "canalarm: add yourself to the port's group (usually: sudo usermod -aG dialout $USER), "
           "then log in again\n";
  if (options.json) {
    Json json;
    json["port"] = choice.Name();
    json["outcome"] = OutcomeName(run.outcome);
    json["exitStatus"] = run.exitStatus;
    if (!run.error.empty()) json["error"] = run.error;
    for (auto& [key, value] : run.extra.items()) json[key] = value;
    out << json.dump(2) << '\n';
  }
  return run.exitStatus;
}

int SinglePort(const LinkOptions& options, std::ostream& out, std::ostream& err,
               const PortOperation& operation) {
  if (options.ports.size() != 1) {
    err << "canalarm: this command takes exactly one --port\n";
    return kExitUsage;
  }
  const PortChoice choice = ParsePortArgument(options.ports.front(), options.baud);
  const MessageSet messages = MessagesFor(options.language);
  TerminalHost::InstallCancelSignal();
  const PortRun run = RunOnPort(options, messages, choice.Name(), SingleSettings(options), out, err, operation);
  return Finish(options, choice, run, out, err);
}

// What the file will do to the module that the fitter may not expect, said
// before anything is sent. A file that can't be read says nothing here: the
// upload reports it.
std::vector<std::string> UploadWarnings(const UploadCommandOptions& upload,
                                        const UploadOptions& options, const FirmwareImages& images) {
  std::vector<std::string> warnings;
  const bool flashOnlyInBootloader =
      images.highestFlash >= 0 && images.highestFlash < kFirstFlashBlock * static_cast<int>(kBlockSize);
  if (flashOnlyInBootloader) {
    warnings.push_back(upload.file + ": its FLASH data lie below address 512, in the bootloader's "
                       "own area, which is never written");
    if (!options.allMemory) warnings.push_back("with --used-only no FLASH block is sent");
  }
  return warnings;
}

std::string VersionText(const std::array<std::uint8_t, 16>& bytes) {
  return VersionLine("", bytes).substr(2);
}

// The file as the upload will read it, read once beforehand for what the
// command line says about it. A file that can't be read counts as not loaded.
struct FileLook {
  LoadResult load;
  FirmwareImages images;
};

FileLook LookAtFile(const std::string& file, FirmwareForm form) {
  FileLook look;
  try {
    look.load = LoadFirmware(file, Decodes(form), look.images);
  } catch (const FileInputError&) {
    look.load.outcome = LoadOutcome::CannotOpen;
  }
  return look;
}

// The backup of one port's operation: where it goes and what it names.
BackupPlan PlanBackup(BackupStore& store, const PortChoice& choice, const std::string& file) {
  BackupPlan plan;
  plan.store = &store;
  plan.port = choice.Name();
  plan.device = choice.devicePath.empty() ? serl::ResolveDevicePath(serl::ComPortPath(choice.comNumber))
                                          : choice.devicePath;
  if (!file.empty()) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(file), ec);
    plan.file = ec ? file : Utf8FromPath(absolute);
    plan.fileSha256 = FileSha256Hex(file);
  }
  return plan;
}

// What a write's report adds to the JSON result, also when the port was lost.
void AddWriteCount(Json& extra, const BlockCount& count, bool partial, const std::filesystem::path& backup) {
  extra["blocksWritten"] = count.blocksWritten;
  extra["blockInDoubt"] = count.blockInDoubt;
  extra["partial"] = partial;
  extra["backup"] = backup.empty() ? Json(nullptr) : Json(backup.string());
}

// The module's EEPROM read twice; the two reads must agree byte for byte.
// A read reply carries nothing to check it by: a disturbed line would go
// unnoticed and its damage be written into the module.
LinkOutcome ReadTwice(Station& station, const PortChoice& choice, SharedImages& shared, PlainParameterTab& tab) {
  SharedImages first;
  PlainParameterTab firstTab;
  // The identity, which the write checks, is asked for once, by the second read.
  LinkOutcome outcome = RunParameterRead(station.link, first, choice, firstTab, {.identity = false});
  if (outcome != LinkOutcome::Done) return outcome;
  outcome = RunParameterRead(station.link, shared, choice, tab);
  if (outcome != LinkOutcome::Done) return outcome;
  if (shared.images.eeprom != first.images.eeprom) {
    station.host.AddLogLine(
        "The two reads of the module's EEPROM differ (a disturbed line?); nothing was written");
    return LinkOutcome::ReadsDiffer;
  }
  return LinkOutcome::Done;
}

// Writes `tab` into the module that `shared` holds the read of, and says in
// `run` what happened; the requested values are never shown as the module's
// unless the write finished.
LinkOutcome WriteParameters(Station& station, const PortChoice& choice, SharedImages& shared,
                            PlainParameterTab& tab, ParameterWriteOptions writeOptions,
                            const std::string& file, bool json, PortRun& run, std::ostream& out) {
  Json& extra = run.extra;
  BackupStore store;
  const BackupPlan plan = PlanBackup(store, choice, file);
  writeOptions.backup = &plan;
  // One line, "EEPROM writing error; error code 5", as an upload says it.
  writeOptions.refusalCodeShown = true;
  ParameterWriteReport report;
  const auto say = [&](LinkOutcome outcome) {
    AddWriteCount(extra, report, report.partial, report.backup);
    if (outcome == LinkOutcome::WriteRefused) extra["errorCode"] = report.refusalCode;
    if (outcome == LinkOutcome::Done) {
      extra["parameters"] = ParametersJson(tab.Current());
    } else {
      extra["requested"] = ParametersJson(tab.Current());
    }
    if (report.partial && !report.backup.empty())
      run.error = choice.Name() + ": the module's settings are now incomplete; restore them with: canalarm params "
                  "restore --port " + choice.Name() + " '" + report.backup.string() + "'";
  };
  LinkOutcome outcome = LinkOutcome::PortLost;
  try {
    outcome = RunParameterWrite(station.link, shared, choice, tab, writeOptions, &report);
  } catch (...) {
    say(LinkOutcome::PortLost);
    throw;
  }
  say(outcome);
  if (outcome == LinkOutcome::Done && !json) out << ParametersText(tab.Current());
  return outcome;
}

}  // namespace

int ParseLanguageArgument(const std::string& text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '6') return text[0] - '0';
  for (Language language : kAllLanguages) {
    const std::string_view letters = LanguageAbbreviation(language);
    if (text.size() == letters.size() &&
        std::equal(text.begin(), text.end(), letters.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == b;
        }))
      return static_cast<int>(LanguageIndex(language));
  }
  return -1;
}

std::string ExtentsLine(const FirmwareImages& images) {
  // The FLASH count starts above the bootloader's 512 bytes, which are never written.
  constexpr std::int32_t kBootloaderBytes = kFirstFlashBlock * static_cast<std::int32_t>(kBlockSize);
  const std::string flash = images.highestFlash >= kBootloaderBytes
                                ? std::to_string(images.highestFlash - kBootloaderBytes) + "B"
                                : "none";
  const std::string eeprom =
      images.highestEeprom >= 0 ? std::to_string(images.highestEeprom) + "B" : "none";
  return "Flash = " + flash + ", Eeprom = " + eeprom;
}

PortChoice ParsePortArgument(const std::string& text, int baud) {
  PortChoice choice;
  choice.baud = baud;
  if (text.size() > 3 && std::equal(text.begin(), text.begin() + 3, "COM", [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == b;
      })) {
    const std::string digits = text.substr(3);
    if (!digits.empty() && std::all_of(digits.begin(), digits.end(), ::isdigit) &&
        digits.size() <= 3) {
      choice.comNumber = std::stoi(digits);
      return choice;
    }
  }
  choice.devicePath = text;
  return choice;
}

int RunVersion(const LinkOptions& options, bool deviceId, std::ostream& out, std::ostream& err) {
  return SinglePort(options, out, err, [&](Station& station, PortRun& run) {
    const PortChoice choice = ParsePortArgument(options.ports.front(), options.baud);
    const VersionReadResult result =
        RunVersionRead(station.link, choice, deviceId, MissingVersionText::SayNone);
    if (result.identity) {
      char text[8];
      std::snprintf(text, sizeof text, "%02X:%02X", (*result.identity)[1], (*result.identity)[0]);
      run.extra["deviceId"] = text;
    }
    if (result.version) {
      // An erased module holds no text: null, with its bytes beside it.
      run.extra["version"] =
          HoldsVersionText(*result.version) ? Json(VersionText(*result.version)) : Json(nullptr);
      run.extra["versionHex"] = Hex(*result.version);
    }
    return result.outcome;
  });
}

int RunUpload(const LinkOptions& options, const UploadCommandOptions& upload, std::ostream& out,
              std::ostream& err) {
  if (options.ports.empty()) {
    err << "canalarm: upload needs at least one --port\n";
    return kExitUsage;
  }
  const FirmwareForm form = ChooseFirmwareForm(upload.file, upload.form);
  UploadOptions uploadOptions;
  uploadOptions.decode = Decodes(form);
  uploadOptions.eeprom = !upload.noEeprom;
  uploadOptions.allMemory = !upload.usedOnly;
  // The extents are said here, as one line before the link starts; the
  // operation would say them in two, at the start of each memory.
  uploadOptions.flashSize = false;
  uploadOptions.verify = upload.verify;
  uploadOptions.keepModuleSettings = !upload.fileParameters;
  const FileLook look = LookAtFile(upload.file, form);
  const bool loads = look.load.outcome == LoadOutcome::Loaded;
  const std::string loadFailure =
      loads ? std::string() : LoadFailureText(upload.file, form, upload.form, look.load);
  const std::string extents = loads && upload.flashSize ? ExtentsLine(look.images) : std::string();
  auto operation = [&](const PortChoice& choice) {
    return [&upload, &uploadOptions, &loadFailure, &extents, choice](Station& station, PortRun& run) {
      SharedImages shared;
      shared.firmwareFileName = upload.file;
      UploadReport report;
      BackupStore store;
      const BackupPlan plan = PlanBackup(store, choice, upload.file);
      UploadOptions options = uploadOptions;
      options.backup = &plan;
      if (!extents.empty()) station.host.AddLogLine(extents);
      // Said also when the port was lost: what the module took is the point.
      const auto say = [&run, &report, &upload](LinkOutcome outcome) {
        run.extra["file"] = upload.file;
        AddWriteCount(run.extra, report, report.partial, report.backup);
        run.extra["settingsKept"] = report.settingsKept;
        if (!report.settingsReplaced.empty()) run.extra["settingsReplaced"] = report.settingsReplaced;
        if (outcome == LinkOutcome::WriteRefused) run.extra["errorCode"] = report.refusalCode;
      };
      LinkOutcome outcome = LinkOutcome::PortLost;
      try {
        outcome = RunFirmwareUpload(station.link, shared, choice, options, &report);
      } catch (...) {
        say(LinkOutcome::PortLost);
        throw;
      }
      say(outcome);
      if (outcome == LinkOutcome::FileReadError) run.error = loadFailure;
      return outcome;
    };
  };
  if (!options.json && loads) {
    for (const std::string& warning : UploadWarnings(upload, uploadOptions, look.images))
      err << "canalarm: warning: " << warning << '\n';
  }
  if (options.ports.size() == 1) {
    const PortChoice choice = ParsePortArgument(options.ports.front(), options.baud);
    return SinglePort(options, out, err, operation(choice));
  }

  // A batch: every port on its own thread, with its own link and images.
  const MessageSet messages = MessagesFor(options.language);
  TerminalHost::InstallCancelSignal();
  std::vector<PortChoice> choices;
  for (const std::string& port : options.ports) choices.push_back(ParsePortArgument(port, options.baud));
  std::vector<PortRun> runs(choices.size());
  std::vector<std::ostringstream> outs(choices.size()), errs(choices.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    threads.emplace_back([&, i] {
      TerminalHost::Settings settings;
      settings.prefix = choices[i].Name() + ": ";
      settings.echo = false;
      runs[i] = RunOnPort(options, messages, choices[i].Name(), settings, outs[i], errs[i],
                          operation(choices[i]));
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::ostringstream& portErr : errs) err << portErr.str();

  int status = kExitOk;
  Json results = Json::array();
  for (std::size_t i = 0; i < choices.size(); ++i) {
    const PortRun& run = runs[i];
    if (status == kExitOk) status = run.exitStatus;
    if (options.json) {
      Json json;
      json["port"] = choices[i].Name();
      json["outcome"] = OutcomeName(run.outcome);
      json["exitStatus"] = run.exitStatus;
      if (!run.error.empty()) json["error"] = run.error;
      for (auto& [key, value] : run.extra.items()) json[key] = value;
      results.push_back(json);
    } else {
      const auto& shown = run.extra["messages"];
      const std::string last = shown.empty() ? "" : shown.back().get<std::string>();
      out << choices[i].Name() << ": " << OutcomeName(run.outcome);
      if (run.outcome != LinkOutcome::Done && !last.empty()) out << " (" << last << ")";
      if (!run.error.empty()) out << " - " << run.error;
      out << '\n';
    }
  }
  if (options.json) out << Json{{"results", results}}.dump(2) << '\n';
  return status;
}

int RunParamsRead(const LinkOptions& options, std::ostream& out, std::ostream& err) {
  return SinglePort(options, out, err, [&](Station& station, PortRun& run) {
    Json& extra = run.extra;
    const PortChoice choice = ParsePortArgument(options.ports.front(), options.baud);
    SharedImages shared;
    PlainParameterTab tab;
    // Only shown: the module's identity is not asked for.
    const LinkOutcome outcome = RunParameterRead(station.link, shared, choice, tab, {.identity = false});
    if (outcome == LinkOutcome::Done) {
      extra["parameters"] = ParametersJson(tab.Current());
      extra["eeprom"] = Hex(shared.images.eeprom);
      if (!options.json) out << ParametersText(tab.Current());
    }
    return outcome;
  });
}

int RunParamsWrite(const LinkOptions& options, const ParamsWriteOptions& write, std::ostream& out,
                   std::ostream& err) {
  // Check every assignment before the module is touched.
  ParameterSet probe;
  for (const std::string& assignment : write.assignments) {
    if (std::string problem = ApplyParameterField(probe, assignment); !problem.empty()) {
      err << "canalarm: " << problem << '\n';
      return kExitUsage;
    }
  }
  if (const std::string conflict = FieldConflict(write.assignments); !conflict.empty()) {
    err << "canalarm: " << conflict << '\n';
    return kExitUsage;
  }
  return SinglePort(options, out, err, [&](Station& station, PortRun& run) {
    const PortChoice choice = ParsePortArgument(options.ports.front(), options.baud);
    SharedImages shared;
    PlainParameterTab tab;
    const LinkOutcome read = ReadTwice(station, choice, shared, tab);
    if (read != LinkOutcome::Done) return read;
    // Without pin= the PIN stays as the module holds it, digits or not.
    for (const std::string& assignment : write.assignments)
      ApplyParameterField(tab.Values(), assignment);
    ParameterWriteOptions writeOptions;
    writeOptions.verify = write.verify;
    return WriteParameters(station, choice, shared, tab, writeOptions, "", options.json, run, out);
  });
}

int RunParamsRestore(const LinkOptions& options, const ParamsRestoreOptions& restore, std::ostream& out,
                     std::ostream& err) {
  StoredBackup backup;
  try {
    backup = BackupStore().Find(restore.backup);
  } catch (const std::exception& e) {
    err << "canalarm: " << e.what() << '\n';
    return kExitUsage;
  }
  const BackupRecord& record = *backup.record;
  return SinglePort(options, out, err, [&](Station& station, PortRun& run) {
    const PortChoice choice = ParsePortArgument(options.ports.front(), options.baud);
    run.extra["restoredFrom"] = backup.path.string();
    SharedImages shared;
    PlainParameterTab tab;
    const LinkOutcome read = ReadTwice(station, choice, shared, tab);
    if (read != LinkOutcome::Done) return read;
    // The module as it is, with the backup's seven parameter bytes.
    std::array<std::uint8_t, 256> wanted = shared.moduleRead;
    CopySettings(record.eeprom, wanted);
    const std::string changes = SettingsChanges(shared.moduleRead, wanted);
    run.extra["changes"] = changes;
    const std::array<std::uint8_t, 16> version = [&] {
      std::array<std::uint8_t, 16> text{};
      std::copy(shared.moduleRead.begin() + 0xF0, shared.moduleRead.end(), text.begin());
      return text;
    }();
    const auto tell = [&](const std::string& line) {
      if (!options.json) station.host.AddLogLine(line);
    };
    tell("Restoring the settings of backup " + backup.path.string() + " (" + record.time + ", " + record.port +
         ", " + record.operation + ")");
    if (version != record.version)
      tell("Note: the module's version text is " + VersionText(version) + ", the backup's " +
           VersionText(record.version));
    tell(changes.empty() ? "The module holds the backup's settings already: nothing to change"
                         : "Changes: " + changes);
    // The reads have restarted the module already.
    if (changes.empty() || restore.dryRun) return LinkOutcome::Done;
    tab.Fill(FillParameters(wanted));
    ParameterWriteOptions writeOptions;
    writeOptions.verify = restore.verify;
    writeOptions.operation = "params-restore";
    return WriteParameters(station, choice, shared, tab, writeOptions, backup.path.string(), options.json,
                           run, out);
  });
}

int RunBackups(bool json, std::ostream& out, std::ostream& err) {
  const BackupStore store;
  const std::vector<StoredBackup> backups = store.List();
  Json list = Json::array();
  for (const StoredBackup& backup : backups) {
    Json entry;
    entry["number"] = backup.number;
    entry["path"] = backup.path.string();
    if (!backup.record) {
      entry["problem"] = backup.problem;
      if (!json) err << "canalarm: " << backup.path.string() << ": " << backup.problem << '\n';
      list.push_back(entry);
      continue;
    }
    const BackupRecord& r = *backup.record;
    entry["time"] = r.time;
    entry["port"] = r.port;
    entry["device"] = r.device;
    entry["operation"] = r.operation;
    entry["version"] = HoldsVersionText(r.version) ? Json(VersionText(r.version)) : Json(nullptr);
    entry["deviceId"] = r.identity ? Json(IdentityText(*r.identity)) : Json(nullptr);
    entry["file"] = r.file;
    entry["fileSha256"] = r.fileSha256;
    entry["outcome"] = r.outcome.empty() ? Json(nullptr) : Json(r.outcome);
    list.push_back(entry);
    if (!json) {
      out << backup.number << "  " << r.time << "  " << r.port;
      if (!r.device.empty() && r.device != r.port) out << " (" << r.device << ")";
      out << "  " << r.operation << "  " << (r.outcome.empty() ? "unfinished" : r.outcome) << "  "
          << (r.identity ? IdentityText(*r.identity) : "--:--") << "  \""
          << (HoldsVersionText(r.version) ? VersionText(r.version) : "none") << "\"";
      if (!r.file.empty()) out << "  " << r.file;
      out << "\n";
    }
  }
  if (json) out << Json{{"folder", store.Folder().string()}, {"backups", list}}.dump(2) << '\n';
  else if (backups.empty()) out << "No backups in " << store.Folder().string() << '\n';
  return kExitOk;
}

void AddLinkCommands(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<LinkOptions>();
  auto addCommon = [options](CLI::App* command, bool manyPorts) {
    command
        ->add_option("-p,--port", options->ports,
                     manyPorts ? "Port: COMn or a device path; repeat to program several modules"
                               : "Port: COMn or a device path")
        ->allow_extra_args(false)
        ->required();
    command->add_option("--baud", options->baud, "Speed")
        ->check(CLI::IsMember({9600, 19200, 38400}))
        ->capture_default_str();
    // The codes the window takes, turned into the number 0..6 before the
    // option's value is read.
    const CLI::Validator language(
        [](std::string& value) -> std::string {
          const int code = ParseLanguageArgument(value);
          if (code < 0) return "unknown language " + value + ": use pl, en, de, ru, sk, cz, hu or 0-6";
          value = std::to_string(code);
          return {};
        },
        "", "LANGUAGE");
    command->add_option("--lang", options->language,
                        "Language of the messages: pl, en, de, ru, sk, cz, hu, or their numbers "
                        "0 (pl) to 6 (hu); default en")
        ->type_name("LANG")
        ->transform(language);
    command->add_flag("--json", options->json, "Print one JSON object as the result");
    command->add_flag("--random-key", options->randomKey, "Agree a random link key");
    command->add_option("--trace", options->trace, "Write a trace of the serial traffic to FILE");
    command->add_flag("!--no-progress", options->progress, "Don't draw a progress bar");
  };

  auto deviceId = std::make_shared<bool>(false);
  CLI::App* version = app.add_subcommand("version", "Read the module's firmware version");
  addCommon(version, false);
  version->add_flag("--device-id", *deviceId, "Read the two identity bytes too");
  version->callback([options, deviceId, &exitStatus] {
    exitStatus = RunVersion(*options, *deviceId, std::cout, std::cerr);
  });

  auto upload = std::make_shared<UploadCommandOptions>();
  CLI::App* uploadCommand = app.add_subcommand("upload", "Write a firmware file into the module");
  uploadCommand
      ->add_option("FILE", upload->file,
                   "Firmware file: record-encoded (.hexfw) or plain Intel HEX (.hex)")
      ->required();
  addCommon(uploadCommand, true);
  AddFormOptions(*uploadCommand, upload->form);
  uploadCommand->add_flag("--no-eeprom", upload->noEeprom, "Don't write the EEPROM");
  uploadCommand->add_flag("--used-only", upload->usedOnly,
                          "Write only up to the file's highest addresses, not the whole memory");
  uploadCommand->add_flag("--flash-size", upload->flashSize,
                          "Show the file's FLASH and EEPROM extents, as one line before the upload");
  uploadCommand->add_flag("--verify", upload->verify, "Read the EEPROM back before the reset and compare");
  uploadCommand->add_flag("--file-parameters", upload->fileParameters,
                          "Write the file's settings (PIN, CAN program, options) even over a "
                          "module's own; by default a module that holds settings keeps them");
  uploadCommand->callback([options, upload, &exitStatus] {
    exitStatus = RunUpload(*options, *upload, std::cout, std::cerr);
  });

  CLI::App* params = app.add_subcommand("params", "Read or write the module's operating parameters");
  params->require_subcommand(1);
  CLI::App* read = params->add_subcommand("read", "Read and show the parameters");
  addCommon(read, false);
  read->callback([options, &exitStatus] { exitStatus = RunParamsRead(*options, std::cout, std::cerr); });

  auto write = std::make_shared<ParamsWriteOptions>();
  CLI::App* writeCommand = params->add_subcommand(
      "write", "Read the module, change the given fields and write the parameters back");
  addCommon(writeCommand, false);
  writeCommand->add_option("FIELD=VALUE", write->assignments,
                           "Fields: soundOff autoArming locking fiFunction fiDelay90 "
                           "channel1GpsInfo smartKey closingWindows channel2LiteOn fs1 fs2 fs3 "
                           "modeFA (on/off), mode=FI|FA, pin=NNNN, programNumber=NN");
  writeCommand->add_flag("--verify", write->verify, "Read the EEPROM back before the reset and compare");
  writeCommand->callback([options, write, &exitStatus] {
    exitStatus = RunParamsWrite(*options, *write, std::cout, std::cerr);
  });

  auto restore = std::make_shared<ParamsRestoreOptions>();
  CLI::App* restoreCommand = params->add_subcommand(
      "restore", "Write a backup's settings (PIN, CAN program, options) back into the module");
  addCommon(restoreCommand, false);
  restoreCommand->add_option("BACKUP", restore->backup, "A backup file, or its number in `canalarm backups`")
      ->required();
  restoreCommand->add_flag("--dry-run", restore->dryRun, "Only show what would change");
  restoreCommand->add_flag("--verify", restore->verify, "Read the EEPROM back before the reset and compare");
  restoreCommand->callback([options, restore, &exitStatus] {
    exitStatus = RunParamsRestore(*options, *restore, std::cout, std::cerr);
  });

  auto backupsJson = std::make_shared<bool>(false);
  CLI::App* backups = app.add_subcommand(
      "backups", "List the backups of modules' EEPROM taken before every write, oldest first");
  backups->add_flag("--json", *backupsJson, "Print one JSON object as the result");
  backups->callback([backupsJson, &exitStatus] { exitStatus = RunBackups(*backupsJson, std::cout, std::cerr); });
}

}  // namespace canalarm::cli

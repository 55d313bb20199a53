// SPDX-License-Identifier: MIT
// The options of canalarm-emu and what they come to.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "emu/EmulatorLoop.h"
#include "emu/EmulatorSettings.h"
#include "emu/WireProtocol.h"

namespace canalarm::emu {

struct EmuConfig {
  EmulatorSettings settings;
  EepromImage eeprom{};  // what the module starts with
  LoopOptions loop;
  std::optional<int> linkCom;  // --link COMn
  bool replaceLink = false;    // --replace-link: take over a link the emulator did not make
  std::string transcript;      // empty = none, "-" = stderr
  bool transcriptMonotonic = false;  // stamps on the system's monotonic clock
  std::string dumpFlash;
  std::string dumpEeprom;
};

class EmuCommandLine {
 public:
  EmuCommandLine();
  EmuCommandLine(const EmuCommandLine&) = delete;
  EmuCommandLine& operator=(const EmuCommandLine&) = delete;

  // Throws CLI::ParseError for usage errors and --help (CLI::App::exit()
  // reports them), std::exception for values that don't make sense, such as
  // an EEPROM file that can't be read.
  void Parse(int argc, const char* const* argv);

  CLI::App& App() { return app_; }
  const EmuConfig& Config() const { return config_; }

 private:
  CLI::App app_;
  EmuConfig config_;
  std::string versionText_;
  std::string identity_;
  std::string eepromFile_;
  std::vector<std::string> errorsAt_;
  std::vector<std::string> faults_;
  std::string wireSpeed_;
  std::string link_;
  int silentAfter_ = -1;
  int replyDelayMs_ = 0;
  int idleResetMs_ = 450;
};

}  // namespace canalarm::emu

// SPDX-License-Identifier: MIT
// The commands that talk to the module: `canalarm version`, `upload`,
// `params read` and `params write`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/LinkPort.h"

namespace CLI {
class App;
}

namespace canalarm::cli {

struct LinkOptions {
  std::vector<std::string> ports;  // COMn or device paths; several only for upload
  int baud = 9600;
  int language = 1;  // language code 0..6, English by default
  bool json = false;
  bool randomKey = false;
  std::string trace;  // serial trace file
  bool progress = true;  // draw a progress bar when stderr is a terminal
};

struct UploadCommandOptions {
  std::string file;
  bool plain = false;
  bool noEeprom = false;
  bool usedOnly = false;
  bool flashSize = false;
  bool verify = false;
};

struct ParamsWriteOptions {
  std::vector<std::string> assignments;  // FIELD=VALUE
  bool verify = false;
};

// "COM3" (any case) or a device path.
PortChoice ParsePortArgument(const std::string& text, int baud);

int RunVersion(const LinkOptions& options, bool deviceId, std::ostream& out, std::ostream& err);
int RunUpload(const LinkOptions& options, const UploadCommandOptions& upload, std::ostream& out,
              std::ostream& err);
int RunParamsRead(const LinkOptions& options, std::ostream& out, std::ostream& err);
int RunParamsWrite(const LinkOptions& options, const ParamsWriteOptions& write, std::ostream& out,
                   std::ostream& err);

void AddLinkCommands(CLI::App& app, int& exitStatus);

}  // namespace canalarm::cli

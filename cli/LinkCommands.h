// SPDX-License-Identifier: MIT
// The commands that talk to the module: `canalarm version`, `upload`,
// `params read`, `params write`, `params restore` and `backups`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/FirmwareFileForm.h"
#include "firmware/FirmwareImages.h"
#include "link/LinkPort.h"

namespace CLI {
class App;
}

namespace canalarm::cli {

struct LinkOptions {
  std::vector<std::string> ports;  // COMn or device paths; several only for upload
  int baud = 9600;
  int language = 1;  // language code 0..6 (pl, en, de, ru, sk, cz, hu), English by default
  bool json = false;
  bool randomKey = false;
  std::string trace;  // serial trace file
  bool progress = true;  // draw a progress bar when stderr is a terminal
};

struct UploadCommandOptions {
  std::string file;
  FormChoice form;  // --plain, --encoded; otherwise the file's name decides
  bool noEeprom = false;
  bool usedOnly = false;
  bool flashSize = false;
  bool verify = false;
  bool fileParameters = false;  // the file's settings even over the module's own
};

struct ParamsRestoreOptions {
  std::string backup;  // a backup's path, or its number in `canalarm backups`
  bool dryRun = false;
  bool verify = false;
};

struct ParamsWriteOptions {
  std::vector<std::string> assignments;  // FIELD=VALUE
  bool verify = false;
};

// "COM3" (any case) or a device path.
PortChoice ParsePortArgument(const std::string& text, int baud);

// The language code 0..6 of a --lang value: the code itself, or the
// language's two letters as the window takes them (pl, en, de, ru, sk, cz,
// hu, any case); -1 for anything else.
int ParseLanguageArgument(const std::string& text);

// "Flash = 7679B, Eeprom = 255B": the extents of a file's FLASH and EEPROM
// data as one line ("none" for a memory without data). The window shows
// the two halves as two log lines, each as its memory's writing starts.
std::string ExtentsLine(const FirmwareImages& images);

int RunVersion(const LinkOptions& options, bool deviceId, std::ostream& out, std::ostream& err);
int RunUpload(const LinkOptions& options, const UploadCommandOptions& upload, std::ostream& out,
              std::ostream& err);
int RunParamsRead(const LinkOptions& options, std::ostream& out, std::ostream& err);
int RunParamsWrite(const LinkOptions& options, const ParamsWriteOptions& write, std::ostream& out,
                   std::ostream& err);

int RunParamsRestore(const LinkOptions& options, const ParamsRestoreOptions& restore, std::ostream& out,
                     std::ostream& err);
// `canalarm backups`: the backups folder's files, oldest first, numbered.
int RunBackups(bool json, std::ostream& out, std::ostream& err);

void AddLinkCommands(CLI::App& app, int& exitStatus);

}  // namespace canalarm::cli

// SPDX-License-Identifier: MIT
// The firmware upload: reads the chosen firmware file and writes its FLASH
// image (from address 512 up) and its EEPROM image into the module, in
// 16-byte packets that each wait for their acknowledgement, then restarts
// the module.
#pragma once

#include <filesystem>
#include <string>

#include "link/BlockWriter.h"
#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"
#include "link/ModuleBackup.h"
#include "link/SharedImages.h"

namespace canalarm {

struct UploadOptions {
  bool decode = true;      // record-encoded file (`DecodeON`)
  bool eeprom = true;      // write the EEPROM too (`EEPROM`)
  bool allMemory = true;   // every block up to the top of memory (`All_memory`)
  bool flashSize = false;  // log the file's extents (`Flash_size`)
  bool verify = false;     // read the EEPROM back before the reset and compare
  // A module that holds settings (a PIN of four digits) keeps its seven
  // parameter bytes; the file's EEPROM is written around them.
  bool keepModuleSettings = false;
  // Where the backup read before the EEPROM is written goes; without one
  // the module is read (for its settings) but nothing is saved.
  const BackupPlan* backup = nullptr;
};

// What an upload did to the module, whatever its outcome.
struct UploadReport : BlockCount {
  // Blocks were written, or a write packet went unanswered, and the upload
  // did not finish: the module holds part of the firmware.
  bool partial = false;
  bool portLost = false;               // the port failed after it was opened
  std::filesystem::path backup;        // the backup saved before the writes
  bool settingsKept = false;           // the module's settings were written back
  std::string settingsReplaced;        // what the file's values changed, by name
};

inline constexpr int kUploadWakeTicks = 30;
inline constexpr int kFirstFlashBlock = 32;  // blocks 0..31 hold the bootloader

// Runs the whole upload against `link`, reporting to the log and to
// `ProgressBar`. Refused (NotAllowed) while another operation runs. A Cancel
// stops it before the next write packet. When it ends early after the module
// may have taken blocks, the log gets one more line saying that the module
// holds incomplete firmware; `report`, when given, says the same. Before
// the first write packet of an upload that writes the EEPROM, the module's
// EEPROM is read in the same link (the backup read); a backup that can't be
// saved ends the upload before anything is written. A port that fails after
// it was opened throws as the port threw, with `report` filled in.
LinkOutcome RunFirmwareUpload(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                              const UploadOptions& options, UploadReport* report = nullptr);

}  // namespace canalarm

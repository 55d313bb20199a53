// SPDX-License-Identifier: MIT
// The firmware upload: reads the chosen firmware file and writes its FLASH
// image (from address 512 up) and its EEPROM image into the module, in
// 16-byte packets that each wait for their acknowledgement, then restarts
// the module.
#pragma once

#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"
#include "link/SharedImages.h"

namespace canalarm {

struct UploadOptions {
  bool decode = true;      // record-encoded file (`DecodeON`)
  bool eeprom = true;      // write the EEPROM too (`EEPROM`)
  bool allMemory = true;   // every block up to the top of memory (`All_memory`)
  bool flashSize = false;  // log the file's extents (`Flash_size`)
  bool verify = false;     // read the EEPROM back before the reset and compare
};

// What an upload did to the module, whatever its outcome.
struct UploadReport {
  int blocksWritten = 0;  // write packets the module acknowledged
  std::uint8_t refusalCode = 0;  // the module's error code for a refused block
  // Blocks were written, or a write packet went unanswered, and the upload
  // did not finish: the module holds part of the firmware.
  bool partial = false;
};

inline constexpr int kUploadWakeTicks = 30;
inline constexpr int kFirstFlashBlock = 32;  // blocks 0..31 hold the bootloader

// Runs the whole upload against `link`, reporting to the log and to
// `ProgressBar`. Refused (NotAllowed) while another operation runs. A Cancel
// stops it before the next write packet. When it ends early after the module
// may have taken blocks, the log gets one more line saying that the module
// holds incomplete firmware; `report`, when given, says the same.
LinkOutcome RunFirmwareUpload(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                              const UploadOptions& options, UploadReport* report = nullptr);

}  // namespace canalarm

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

inline constexpr int kUploadWakeTicks = 30;
inline constexpr int kFirstFlashBlock = 32;  // blocks 0..31 hold the bootloader

// Runs the whole upload against `link`, reporting to the log and to
// `ProgressBar`. Refused (NotAllowed) while another operation runs.
LinkOutcome RunFirmwareUpload(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                              const UploadOptions& options);

}  // namespace canalarm

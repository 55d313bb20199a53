// SPDX-License-Identifier: MIT
// The firmware load: reads the chosen firmware file into the images.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/FirmwareImages.h"

namespace canalarm {

enum class LoadOutcome {
  NoFileSelected,  // the file name is empty; nothing was touched
  CannotOpen,      // the file can't be opened; the images are erased
  Failed,          // a bad line, a checksum mismatch or no end record
  Loaded,          // the end record was reached
};

struct LoadResult {
  LoadOutcome outcome = LoadOutcome::NoFileSelected;
  int lastResult = -1;       // last ReadHexRecord result (0 for an empty file);
                             // -1 when the file was not opened
  std::int32_t records = 0;  // records read, the last one included (its line
                             // number in a plain file, its pair number in a
                             // record-encoded one)
};

// Erases the three images, then reads the records of `fileName` (record-encoded
// when `decode` is true) up to the end record, setting the highest FLASH
// address and the highest EEPROM offset. Reading stops at the first record
// that is not accepted; what was stored up to and including it stays in the
// images. Lines after the end record are never read.
//
// `fileName` is UTF-8 (firmware/FileName.h).
// Throws FileInputError when reading fails after the file was opened.
LoadResult LoadFirmware(const std::string& fileName, bool decode, FirmwareImages& images);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// How an operation on the bootloader link ended.
#pragma once

#include <string_view>

namespace canalarm {

enum class LinkOutcome {
  Done,            // finished; the module was reset where the operation does that
  NoFileSelected,  // upload without a chosen firmware file
  FileReadError,   // the firmware file can't be opened or doesn't load
  PortOpenError,   // the port can't be opened
  NoBootloader,    // no answer to the wake-up
  Cancelled,       // the user cancelled
  CommError,       // an answer timed out
  WriteRefused,    // the module answered a write with an error code
  VerifyFailed,    // the EEPROM read back differs from what was written
  ReadsDiffer,     // two reads of the module's EEPROM disagree; nothing written
  PinIncomplete,   // a parameter write with a PIN that is not four digits
  NotAllowed,      // refused before starting: another operation runs, or a
                   // parameter write without a complete read of the module
  PortLost,        // the port failed after it was opened: the device went away
  ModuleChanged,   // the module is not the one read before (or its EEPROM
                   // changed since): nothing written
  BackupFailed,    // the backup of the module's EEPROM could not be saved:
                   // nothing written
};

// The outcome's name in results and backups: "done", "timeout", "port-lost"...
std::string_view LinkOutcomeName(LinkOutcome outcome);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The parameter read and write: the module's whole 256-byte EEPROM read into
// the EEPROM image and shown on the parameters tab, and the tab folded back
// into the image and written to the module.
#pragma once

#include <filesystem>
#include <string>

#include "link/BlockWriter.h"
#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"
#include "link/ModuleBackup.h"
#include "link/ParameterTab.h"
#include "link/SharedImages.h"

namespace canalarm {

inline constexpr int kParameterReadTicks = 25;   // the wake-up and all sixteen blocks
inline constexpr int kParameterWriteTicks = 30;  // the wake-up; 30 more per block

struct ParameterReadOptions {
  // After the sixteen blocks, ask for the module's identity, which a later
  // write checks; a read only shown (or only compared) can do without.
  bool identity = true;
};

struct ParameterWriteOptions {
  bool verify = false;  // read the EEPROM back before the reset and compare
  // A refused block is said with the module's code, "EEPROM writing error;
  // error code 5", as an upload's log says it; the tab's status field shows
  // the text alone.
  bool refusalCodeShown = false;
  // Where the backup read before the first write packet goes; without one
  // the module is read (to check it is the one read before) but nothing is saved.
  const BackupPlan* backup = nullptr;
  std::string operation = "params-write";  // as the backup names it
};

// What a parameter write met besides its outcome.
struct ParameterWriteReport : BlockCount {
  // Blocks were written, or one went unanswered, and the write did not
  // finish: the module's settings may be neither the old nor the new ones.
  bool partial = false;
  bool portLost = false;         // the port failed after it was opened
  std::filesystem::path backup;  // the backup saved before the writes
};

// Reads the module's EEPROM into `shared.images.eeprom` and fills `tab`. The
// right to write is withdrawn when the read starts and given back only when
// it completes, identity included when asked for. A module whose PIN bytes
// are not digits is said to have no PIN. The port stays open after the block
// phase, and after an identity request that went unanswered.
LinkOutcome RunParameterRead(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                             ParameterTab& tab, const ParameterReadOptions& options = {});

// Folds `tab` into the EEPROM image and writes all 256 bytes. Refused
// (NotAllowed, nothing sent) unless the image holds a complete read of the
// module with its identity; refused (ModuleChanged, nothing written) when the
// module's identity or EEPROM differ from that read's; refused (PinIncomplete,
// said in the status field, port untouched) for a PIN that is not four
// digits, unless it is left empty for a module without one. A Cancel stops
// it before the next block. The port is closed at the end.
LinkOutcome RunParameterWrite(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                              ParameterTab& tab, const ParameterWriteOptions& options = {},
                              ParameterWriteReport* report = nullptr);

}  // namespace canalarm

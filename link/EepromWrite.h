// SPDX-License-Identifier: MIT
// The EEPROM write loop of an upload and of a parameter write: blocks
// 0..lastBlock of the image, each acknowledged before the next, the bar
// following them.
#pragma once

#include <array>
#include <cstdint>

#include "link/BlockWriter.h"
#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"

namespace canalarm {

struct EepromWriteTarget {
  LinkTarget messages;  // where a stop is said
  ProgressBarId bar;    // set to 0..lastBlock and moved with the blocks
  // A refused block is said with the module's code: "EEPROM writing error;
  // error code 5"; without, the text alone.
  bool refusalCodeShown = true;
};

// Writes the blocks and counts them in `count`. Done; or, said to the
// target, with the port closed and the bar back at its minimum: CommError,
// Cancelled or WriteRefused.
LinkOutcome WriteEepromBlocks(BootloaderLink& link, const EepromWriteTarget& target,
                              const std::array<std::uint8_t, 256>& eeprom, std::int32_t lastBlock,
                              BlockCount& count);

}  // namespace canalarm

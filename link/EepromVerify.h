// SPDX-License-Identifier: MIT
// Reads the module's EEPROM back and compares it with what was written.
#pragma once

#include <array>
#include <cstdint>

#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"

namespace canalarm {

// Reads EEPROM blocks 0..lastBlock with the read command, allowing 30 ticks
// per block, and compares them with `expected`. Reports the first block
// that differs, or a time-out or Cancel, to `target`. Leaves the port open.
LinkOutcome VerifyEeprom(BootloaderLink& link, const LinkTarget& target,
                         const std::array<std::uint8_t, 256>& expected, std::int32_t lastBlock);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The one block writer of the FLASH loop, the EEPROM loop and the parameter
// write: one 16-byte write packet and its acknowledgement, counted.
#pragma once

#include <cstdint>

#include "link/BootloaderLink.h"

namespace canalarm {

// What the module took of an operation's write packets.
struct BlockCount {
  int blocksWritten = 0;          // write packets the module acknowledged
  // A packet was sent and its acknowledgement never came (a Cancel or a
  // time-out while it was in flight): the module may or may not hold it.
  bool blockInDoubt = false;
  std::uint8_t refusalCode = 0;   // the module's error code for a refused block
};

// Sends one write packet and waits for its acknowledgement, unless the user
// has cancelled before it (then nothing is sent). A Cancel that comes while
// the packet is in flight still takes its acknowledgement when it follows
// within a moment, so that the count says what the module took.
AckResult WriteBlock(BootloaderLink& link, std::uint8_t command, std::uint16_t address,
                     const PacketBuffer& buffer, BlockCount& count);

}  // namespace canalarm

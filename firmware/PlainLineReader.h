// SPDX-License-Identifier: MIT
// Gets the plain lines of a firmware file, plain or record-encoded.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/TextLineReader.h"

namespace canalarm {

// Reads the next plain line. Plain files: one line. Record-encoded files: adds
// 1 to `recordCounter`, deciphers the next line with the key of that pair and
// reads and discards the filler line that follows it (a missing filler line
// reads as empty). Throws FileInputError when reading fails.
std::string ReadPlainLine(TextLineReader& file, bool decode, std::int32_t& recordCounter);

}  // namespace canalarm

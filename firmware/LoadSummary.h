// SPDX-License-Identifier: MIT
// What a firmware load found, for people: why it stopped, and what the file
// holds. The command line's `info` and the window say the same.
#pragma once

#include <optional>
#include <string>

#include "firmware/FirmwareImages.h"
#include "firmware/FirmwareLoad.h"

namespace canalarm {

// "loaded, end record at line 5", "failed at line pair 3: checksum
// mismatch", "failed: the file ends before the end record :00000001FF", ...
std::string DescribeLoad(const LoadResult& load, bool decode);

// `value` as 0x-prefixed hex of `digits` digits, "none" when negative.
std::string ImageAddress(std::int32_t value, int digits);

// The version text the file puts where the module keeps its own (EEPROM
// 0xF0..0xFF), trailing blanks cut; none when those bytes are erased or not
// printable text.
std::optional<std::string> FileVersionText(const FirmwareImages& images);

}  // namespace canalarm

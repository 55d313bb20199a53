// SPDX-License-Identifier: MIT
// Turns the 8-bit text of help lines into UTF-8 for display.
//
// Help text travels in firmware files byte for byte. Files written today are
// UTF-8; older ones use the Central European Windows code page (1250).
#pragma once

#include <string>
#include <string_view>

namespace canalarm {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Converts Windows-1250 bytes to UTF-8. The five bytes the code page leaves
// undefined map to the C1 control characters of the same value.
std::string Windows1250ToUtf8(std::string_view text);

// `line` itself when it is valid UTF-8, else read as Windows-1250.
std::string HelpLineToUtf8(std::string_view line);

}  // namespace canalarm

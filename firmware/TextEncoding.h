// SPDX-License-Identifier: MIT
// Turns the 8-bit text of help lines into UTF-8 for display.
//
// Help text travels in firmware files byte for byte. Files written today are
// UTF-8; older ones use the Windows code page of their language: Cyrillic
// (1251) for Russian, Central European (1250) for the others.
#pragma once

#include <string>
#include <string_view>

namespace canalarm {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Converts Windows-1250 bytes to UTF-8. The five bytes the code page leaves
// undefined map to the C1 control characters of the same value.
std::string Windows1250ToUtf8(std::string_view text);

// Converts Windows-1251 (Cyrillic) bytes to UTF-8. The one byte the code
// page leaves undefined (0x98) maps to the C1 control character U+0098.
std::string Windows1251ToUtf8(std::string_view text);

// The single-byte code pages that older files were written in.
enum class CodePage { Windows1250, Windows1251 };

// `line` itself when it is valid UTF-8, else read in the `fallback` code page.
std::string HelpLineToUtf8(std::string_view line, CodePage fallback = CodePage::Windows1250);

}  // namespace canalarm

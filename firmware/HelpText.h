// SPDX-License-Identifier: MIT
// The help text carried inside a firmware file.
//
// Help lines are plain lines that begin with ';'; the rest of such a line,
// byte for byte, is one line of help. The whole file is read, also past the
// end record, and the HEX records are not checked.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace canalarm {

// The help lines of `fileName` (record-encoded when `decode` is true), without
// their leading ';'. Nothing when the file can't be opened. Throws
// FileInputError when reading fails after the file was opened. `fileName` is
// UTF-8 (firmware/FileName.h).
std::optional<std::vector<std::string>> ReadHelpLines(const std::string& fileName, bool decode);

}  // namespace canalarm

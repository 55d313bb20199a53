// SPDX-License-Identifier: MIT
// The two forms of a firmware file, and the form a file's name stands for.
#pragma once

#include <string_view>

namespace canalarm {

enum class FirmwareForm {
  RecordEncoded,  // *.hexfw: every record enciphered, with a filler line after it
  Plain,          // *.hex: plain Intel HEX
};

// The form a file's name says: a name ending in ".hex" (any case) is plain
// Intel HEX; every other name, "*.hexfw" above all, is record-encoded, the
// form the window reads by default.
FirmwareForm FirmwareFormOfName(std::string_view fileName);

// "record-encoded" or "plain Intel HEX".
std::string_view FirmwareFormName(FirmwareForm form);

// Whether the firmware reader deciphers the file (its `decode` flag).
constexpr bool Decodes(FirmwareForm form) { return form == FirmwareForm::RecordEncoded; }

}  // namespace canalarm

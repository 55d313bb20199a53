// SPDX-License-Identifier: MIT
#include "firmware/FirmwareForm.h"

#include <cctype>

namespace canalarm {

FirmwareForm FirmwareFormOfName(std::string_view fileName) {
  constexpr std::string_view kPlainEnding = ".hex";
  if (fileName.size() < kPlainEnding.size()) return FirmwareForm::RecordEncoded;
  const std::string_view ending = fileName.substr(fileName.size() - kPlainEnding.size());
  for (std::size_t i = 0; i < ending.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(ending[i])) != kPlainEnding[i])
      return FirmwareForm::RecordEncoded;
  }
  return FirmwareForm::Plain;
}

std::string_view FirmwareFormName(FirmwareForm form) {
  return form == FirmwareForm::Plain ? "plain Intel HEX" : "record-encoded";
}

}  // namespace canalarm

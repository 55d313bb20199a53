// SPDX-License-Identifier: MIT
#include "firmware/LoadSummary.h"

#include <cstdio>

#include "firmware/HexRecordReader.h"

namespace canalarm {

namespace {

constexpr std::size_t kVersionTextOffset = 0xF0;
constexpr std::size_t kVersionTextSize = 16;

}  // namespace

std::string DescribeLoad(const LoadResult& load, bool decode) {
  const std::string where = (decode ? "line pair " : "line ") + std::to_string(load.records);
  switch (load.outcome) {
    case LoadOutcome::Loaded:
      return "loaded, end record at " + where;
    case LoadOutcome::CannotOpen:
    case LoadOutcome::NoFileSelected:
      return "cannot open the file";
    case LoadOutcome::Failed:
      break;
  }
  switch (load.lastResult) {
    case kRecordBadLine:
      return "failed at " + where + ": not a data or extended address record";
    case kRecordBadChecksum:
      return "failed at " + where + ": checksum mismatch";
    default:
      return "failed: the file ends before the end record :00000001FF";
  }
}

std::string ImageAddress(std::int32_t value, int digits) {
  if (value < 0) return "none";
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

std::optional<std::string> FileVersionText(const FirmwareImages& images) {
  if (images.highestEeprom < static_cast<std::int32_t>(kVersionTextOffset)) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < kVersionTextSize; ++i) {
    const std::uint8_t byte = images.eeprom[kVersionTextOffset + i];
    if (byte == kErasedByte) break;
    if (byte < 0x20 || byte > 0x7E) return std::nullopt;
    text.push_back(static_cast<char>(byte));
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace canalarm

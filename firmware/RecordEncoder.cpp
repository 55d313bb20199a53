// SPDX-License-Identifier: MIT
#include "firmware/RecordEncoder.h"

#include <string_view>

#include "firmware/RecordCipher.h"

namespace canalarm {

namespace {

// Bytes that a text-line reader takes for structure, not content.
bool HoldsLineBreakOrEnd(std::string_view text) {
  return text.find_first_of(std::string_view("\n\r\x1A", 3)) != std::string_view::npos;
}

}  // namespace

std::string FillerLine(std::int32_t pair) {
  // A small xorshift stream seeded by the pair number: it only has to look
  // like noise and never hold a line break.
  std::uint32_t x = 0x9E3779B9u ^ static_cast<std::uint32_t>(pair) * 2654435761u;
  std::string filler;
  for (int i = 0; i < 16; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    filler.push_back("0123456789ABCDEF"[x & 0xF]);
  }
  return filler;
}

std::string EncodeRecordText(const std::vector<std::string>& plainLines) {
  std::string text;
  std::int32_t pair = 0;
  for (const std::string& plain : plainLines) {
    ++pair;
    if (HoldsLineBreakOrEnd(plain))
      throw EncodeError(pair, "line " + std::to_string(pair) +
                                  " holds a CR, LF or 0x1A byte and can't be stored as one line");
    const std::string enciphered = CipherLine(plain, PairKey(pair), true);
    if (HoldsLineBreakOrEnd(enciphered))
      throw EncodeError(pair, "line " + std::to_string(pair) +
                                  " enciphers to a CR, LF or 0x1A byte and can't be record-encoded");
    text += enciphered;
    text += "\r\n";
    text += FillerLine(pair);
    text += "\r\n";
  }
  return text;
}

}  // namespace canalarm

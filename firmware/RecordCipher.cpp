// SPDX-License-Identifier: MIT
#include "firmware/RecordCipher.h"

#include <stdexcept>

namespace canalarm {

std::string PairKey(std::int32_t pairNumber) {
  return std::string(kCipherKeyPrefix) + std::to_string(pairNumber);
}

std::string CipherLine(std::string_view text, std::string_view key, bool encode) {
  if (key.empty()) throw std::invalid_argument("CipherLine: empty key");
  std::string out(text.size(), '\0');
  const std::size_t keyLength = key.size();
  std::size_t j = 0;  // (position + 1) mod L, kept without a division per byte
  for (std::size_t p = 0; p < text.size(); ++p) {
    j = (j + 1 == keyLength) ? 0 : j + 1;
    const auto k = static_cast<std::uint8_t>(j == 0 ? 0 : key[j - 1]);
    const auto byte = static_cast<std::uint8_t>(text[p]);
    out[p] = static_cast<char>(static_cast<std::uint8_t>(encode ? byte + k : byte - k));
  }
  return out;
}

}  // namespace canalarm

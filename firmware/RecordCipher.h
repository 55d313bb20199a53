// SPDX-License-Identifier: MIT
// The record cipher of record-encoded firmware files (*.hexfw).
//
// Every plain line of such a file is enciphered with the key of its line pair
// and followed by one filler line. The cipher adds (encodes) or subtracts
// (decodes) a repeating key stream byte by byte, modulo 256.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace canalarm {

// The fixed start of every pair's key.
inline constexpr std::string_view kCipherKeyPrefix = "mrtav418=p";

// The key of pair `pairNumber` (counted from 1): the prefix followed by the
// number in decimal.
std::string PairKey(std::int32_t pairNumber);

// Enciphers (`encode` true) or deciphers `text` with `key`, which must not be
// empty (std::invalid_argument). Byte i (counted from 1) is combined with key byte (i mod L), where L
// is the key length, and with 0 where i is a multiple of L: the last key
// character never takes part, and every L-th byte passes unchanged. The
// result has the length of `text`.
std::string CipherLine(std::string_view text, std::string_view key, bool encode);

}  // namespace canalarm

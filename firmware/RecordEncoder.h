// SPDX-License-Identifier: MIT
// Writes record-encoded firmware text: each plain line enciphered with the
// key of its pair, followed by a filler line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace canalarm {

// A plain line can't be record-encoded: its enciphered form would contain a
// byte that a reader takes for a line end or the end of the text.
class EncodeError : public std::runtime_error {
 public:
  EncodeError(std::int32_t pair, const std::string& what)
      : std::runtime_error(what), pair_(pair) {}
  // The pair (= the plain line's number, from 1) that can't be encoded.
  std::int32_t Pair() const { return pair_; }

 private:
  std::int32_t pair_;
};

// The filler line written after the enciphered line of `pair`: sixteen
// upper-case hexadecimal digits, different from pair to pair.
std::string FillerLine(std::int32_t pair);

// The record-encoded text for `plainLines`, lines ended by CR LF. Throws
// EncodeError for the first line whose enciphered form holds 0x0A, 0x0D or
// 0x1A, or that itself holds one of them.
std::string EncodeRecordText(const std::vector<std::string>& plainLines);

}  // namespace canalarm

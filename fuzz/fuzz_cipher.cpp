// SPDX-License-Identifier: MIT
// The record cipher: deciphering what was enciphered with the same key gives
// the text back (and the other way round), every L-th byte passes unchanged,
// and record-encoded text reads back as the lines it was made from.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "firmware/RecordCipher.h"
#include "firmware/RecordEncoder.h"

using namespace canalarm;
using namespace canalarm::fuzz;

namespace {

bool HoldsLineEnd(std::string_view text) {
  return text.find_first_of(std::string_view("\n\r\x1a", 3)) != std::string_view::npos;
}

void CheckRoundTrip(const std::string& text, const std::string& key) {
  const std::string encoded = CipherLine(text, key, true);
  const std::string decoded = CipherLine(text, key, false);
  Require(encoded.size() == text.size() && decoded.size() == text.size(), "length kept");
  Require(CipherLine(encoded, key, false) == text, "decode(encode(x)) == x");
  Require(CipherLine(decoded, key, true) == text, "encode(decode(x)) == x");
  for (std::size_t i = key.size(); i <= text.size(); i += key.size())
    Require(encoded[i - 1] == text[i - 1], "every L-th byte passes unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto pair = input.ConsumeIntegral<std::int32_t>();
  const std::string key = PairKey(pair);
  Require(key == std::string(kCipherKeyPrefix) + std::to_string(pair), "pair key");

  std::string ownKey = input.ConsumeRandomLengthString(24);
  if (ownKey.empty()) ownKey = key;
  const std::string text = input.ConsumeRandomLengthString(4096);
  CheckRoundTrip(text, ownKey);
  CheckRoundTrip(text, key);

  std::vector<std::string> lines;
  while (input.remaining_bytes() > 0 && lines.size() < 64)
    lines.push_back(input.ConsumeRandomLengthString(300));
  try {
    const std::string encoded = EncodeRecordText(lines);
    Require(PlainLinesOf(encoded, true) == lines, "record-encoded text reads back");
  } catch (const EncodeError& error) {
    const std::int32_t bad = error.Pair();
    Require(bad >= 1 && static_cast<std::size_t>(bad) <= lines.size(), "refused pair exists");
    const std::string& line = lines[static_cast<std::size_t>(bad) - 1];
    Require(HoldsLineEnd(line) || HoldsLineEnd(CipherLine(line, PairKey(bad), true)),
            "a refused line could not be carried");
    for (std::int32_t p = 1; p < bad; ++p) {
      const std::string& good = lines[static_cast<std::size_t>(p) - 1];
      Require(!HoldsLineEnd(good) && !HoldsLineEnd(CipherLine(good, PairKey(p), true)),
              "the first line that can't be carried is refused");
    }
  }
  return 0;
}

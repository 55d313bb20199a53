// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "firmware/RecordCipher.h"

using canalarm::CipherLine;
using canalarm::PairKey;

TEST(RecordCipher, PairKeys) {
  EXPECT_EQ(PairKey(1), "mrtav418=p1");
  EXPECT_EQ(PairKey(10), "mrtav418=p10");
  EXPECT_EQ(PairKey(12345), "mrtav418=p12345");
}

TEST(RecordCipher, KnownBytesAndWrapping) {
  const std::string key = PairKey(1);  // 'm' = 0x6D, 'r' = 0x72
  EXPECT_EQ(CipherLine("A", key, true), "\xAE");          // 0x41 + 0x6D
  EXPECT_EQ(CipherLine("\xAE", key, false), "A");
  EXPECT_EQ(CipherLine("\xF0", key, true), "\x5D");       // 0xF0 + 0x6D wraps
  EXPECT_EQ(CipherLine("\x10", key, false), "\xA3");      // 0x10 - 0x6D wraps
  EXPECT_EQ(CipherLine("", key, true), "");
}

TEST(RecordCipher, RoundTripsEveryByteAndLength) {
  for (const std::string& key : {PairKey(9), PairKey(10), PairKey(100), std::string("k")}) {
    for (std::size_t length = 0; length <= 3 * key.size() + 1; ++length) {
      for (int first = 0; first < 256; first += 17) {
        std::string text(length, '\0');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(first + 31 * i);
        const std::string enciphered = CipherLine(text, key, true);
        ASSERT_EQ(enciphered.size(), text.size());
        ASSERT_EQ(CipherLine(enciphered, key, false), text) << key << " " << length;
      }
    }
  }
}

TEST(RecordCipher, EveryLthByteAndTheLastKeyCharacterDoNotTakePart) {
  // Key lengths 11 (pair 9) and 12 (pair 10): the unchanged positions move
  // from every 11th to every 12th byte.
  for (int pair : {9, 10}) {
    const std::string key = PairKey(pair);
    const std::size_t length = key.size();
    const std::string text(4 * length, 'Q');
    const std::string enciphered = CipherLine(text, key, true);
    for (std::size_t p = 0; p < text.size(); ++p) {
      const bool unchanged = (p + 1) % length == 0;
      EXPECT_EQ(enciphered[p] == 'Q', unchanged) << "pair " << pair << " position " << p + 1;
    }
  }
  // Pairs 1 to 9 share one key stream, so they decode a line alike.
  const std::string line = ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00";
  for (int pair = 2; pair <= 9; ++pair)
    EXPECT_EQ(CipherLine(line, PairKey(pair), false), CipherLine(line, PairKey(1), false));
  EXPECT_NE(CipherLine(line, PairKey(10), false), CipherLine(line, PairKey(1), false));
}

TEST(RecordCipher, EmptyKeyIsRefused) {
  EXPECT_THROW(CipherLine("abc", "", true), std::invalid_argument);
}

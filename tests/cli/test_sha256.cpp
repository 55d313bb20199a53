// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/Sha256.h"

using canalarm::Sha256Hex;

namespace {
std::string Digest(std::string_view text) {
  return Sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}
}  // namespace

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first padding block.
  EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  const std::vector<std::uint8_t> erased(0x8000, 0xFF);
  EXPECT_EQ(Sha256Hex(erased), Sha256Hex(std::vector<std::uint8_t>(0x8000, 0xFF)));
  EXPECT_NE(Sha256Hex(erased), Sha256Hex(std::vector<std::uint8_t>(0x7FFF, 0xFF)));
}

// SPDX-License-Identifier: MIT
#include "link/EepromVerify.h"

#include <algorithm>
#include <cstdio>

namespace canalarm {

namespace {
constexpr int kVerifyTicksPerBlock = 30;
}

LinkOutcome VerifyEeprom(BootloaderLink& link, const LinkTarget& target,
                         const std::array<std::uint8_t, 256>& expected, std::int32_t lastBlock) {
  for (std::int32_t block = 0; block <= lastBlock; ++block) {
    const auto address = static_cast<std::uint16_t>(block * kBlockSize);
    PacketBuffer buffer;
    buffer.fill(0xFF);
    link.Port().ClearInput();
    link.SendPacket(kCmdReadEeprom, address, buffer, kBlockSize);
    link.ArmCountdown(kVerifyTicksPerBlock);
    const int result = link.ReadReply(kReadReplySize, buffer);
    if (result < 1) {
      link.Report(target, result == 0 ? MessageRole::msgCommError : MessageRole::msgCancelled);
      return result == 0 ? LinkOutcome::CommError : LinkOutcome::Cancelled;
    }
    if (!std::equal(buffer.begin() + 1, buffer.begin() + 1 + kBlockSize, expected.begin() + address)) {
      char text[64];
      std::snprintf(text, sizeof text, "Verify failed: EEPROM block at %02X differs", address);
      link.Report(target, text);
      return LinkOutcome::VerifyFailed;
    }
  }
  return LinkOutcome::Done;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "link/LinkProtocol.h"

namespace canalarm {

std::uint8_t PacketChecksum(std::span<const std::uint8_t> data) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : data) sum = static_cast<std::uint8_t>(sum + b);
  return static_cast<std::uint8_t>(0x100 - sum);
}

std::vector<std::uint8_t> FramePacket(std::uint8_t command, std::uint16_t address,
                                      std::span<const std::uint8_t> data, std::uint8_t key) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(data.size() + 6);
  bytes.push_back(command);
  bytes.push_back(0x00);  // address bits 23..16
  bytes.push_back(static_cast<std::uint8_t>(address >> 8));
  bytes.push_back(static_cast<std::uint8_t>(address & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(data.size()));
  for (std::uint8_t b : data) bytes.push_back(b);
  if (!data.empty()) bytes.push_back(PacketChecksum(data));
  for (std::uint8_t& b : bytes) b ^= key;
  return bytes;
}

}  // namespace canalarm

#include "link/LinkProtocol.h"

namespace canalarm {

std::uint8_t PacketChecksum(std::span<const std::uint8_t> data) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : data) sum = static_cast<std::uint8_t>(sum + b);
  return static_cast<std::uint8_t>(0x100 - sum);
}

std::vector<std::uint8_t> FramePacket(std::uint8_t command, std::uint16_t address,
                                      std::span<const std::uint8_t> data, std::uint8_t key) {
  std::vector<std::uint8_t> bytes{command, 0x00, static_cast<std::uint8_t>(address >> 8),
                                  static_cast<std::uint8_t>(address & 0xFF),
                                  static_cast<std::uint8_t>(data.size())};
  bytes.insert(bytes.end(), data.begin(), data.end());
  if (!data.empty()) bytes.push_back(PacketChecksum(data));
  for (std::uint8_t& b : bytes) b ^= key;
  return bytes;
}

}  // namespace canalarm

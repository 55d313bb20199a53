// SPDX-License-Identifier: MIT
#include "emu/PacketAssembler.h"

#include <algorithm>

#include "emu/WireProtocol.h"

namespace canalarm::emu {

bool Packet::ChecksumOk() const { return length == 0 || Checksum(Data()) == checksum; }

std::size_t PacketAssembler::Total() const {
  const std::size_t n = bytes_[kHeaderBytes - 1];
  return n == 0 ? kHeaderBytes : kHeaderBytes + n + 1;
}

bool PacketAssembler::WouldComplete(std::uint8_t byte) const {
  if (received_ + 1 < kHeaderBytes) return false;
  if (received_ + 1 == kHeaderBytes) return byte == 0;
  return received_ + 1 == Total();
}

std::optional<Packet> PacketAssembler::Add(std::uint8_t byte) {
  const bool completes = WouldComplete(byte);
  bytes_[received_++] = byte;
  if (!completes) return std::nullopt;

  Packet p;
  p.command = bytes_[0];
  p.addressHigh = bytes_[1];
  p.address = static_cast<std::uint16_t>(bytes_[2] << 8 | bytes_[3]);
  p.length = bytes_[4];
  std::copy_n(bytes_.begin() + kHeaderBytes, p.length, p.dataBytes.begin());
  if (p.length > 0) p.checksum = bytes_[kHeaderBytes + p.length];
  received_ = 0;
  return p;
}

}  // namespace canalarm::emu

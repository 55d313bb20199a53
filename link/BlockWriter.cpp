// SPDX-License-Identifier: MIT
#include "link/BlockWriter.h"

#include <chrono>

namespace canalarm {

namespace {
// How long a cancelled wait still listens for the packet in flight: far
// longer than an acknowledgement takes at 9600 bit/s, short for a fitter.
constexpr std::chrono::milliseconds kInFlightGrace{500};
}  // namespace

AckResult WriteBlock(BootloaderLink& link, std::uint8_t command, std::uint16_t address,
                     const PacketBuffer& buffer, BlockCount& count) {
  if (link.CancelPending()) return {WaitResult::Cancelled, 0};
  link.SendPacket(command, address, buffer, kBlockSize);
  AckResult ack = link.WaitAck();
  if (ack.wait == WaitResult::Cancelled) {
    LinkPort& port = link.Port();
    port.WaitForInput(std::chrono::steady_clock::now() + kInFlightGrace);
    if (port.ByteAvailable()) {
      const auto code = static_cast<std::uint8_t>(port.ReadByte() ^ link.Key());
      if (code == 0) ++count.blocksWritten;
      else count.refusalCode = code;
      return {WaitResult::Cancelled, code};
    }
  }
  if (ack.wait != WaitResult::Done) {
    count.blockInDoubt = true;
    return ack;
  }
  if (ack.code == 0) ++count.blocksWritten;
  else count.refusalCode = ack.code;
  return ack;
}

}  // namespace canalarm

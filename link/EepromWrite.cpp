// SPDX-License-Identifier: MIT
#include "link/EepromWrite.h"

#include <algorithm>
#include <string>

namespace canalarm {

LinkOutcome WriteEepromBlocks(BootloaderLink& link, const EepromWriteTarget& target,
                              const std::array<std::uint8_t, 256>& eeprom, std::int32_t lastBlock,
                              BlockCount& count) {
  LinkHost& host = link.Host();
  link.SetProgressMinimum(target.bar, 0);
  link.SetProgressPosition(target.bar, 0);
  link.SetProgressMaximum(target.bar, lastBlock);

  PacketBuffer buffer{};
  for (std::int32_t block = 0; block <= lastBlock; ++block) {
    const auto address = static_cast<std::uint16_t>(block * static_cast<std::int32_t>(kBlockSize));
    std::copy(eeprom.begin() + address, eeprom.begin() + address + kBlockSize, buffer.begin());
    const AckResult ack = WriteBlock(link, kCmdWriteEeprom, address, buffer, count);
    if (ack.wait != WaitResult::Done) {
      const LinkOutcome outcome = link.ReportStopped(target.messages, ack.wait == WaitResult::Cancelled);
      link.Close();
      link.SetProgress(target.bar, 0, link.Progress(target.bar).maximum, 0);
      return outcome;
    }
    if (ack.code != 0) {
      std::string line(host.Messages().Text(MessageRole::msgEepromWriteError));
      if (target.refusalCodeShown) line += "; error code " + std::to_string(ack.code);
      link.Report(target.messages, line);
      link.Close();
      link.SetProgressPosition(target.bar, link.Progress(target.bar).minimum);
      return LinkOutcome::WriteRefused;
    }
    link.SetProgressPosition(target.bar, block);
    host.ProcessEvents();
  }
  return LinkOutcome::Done;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "link/ParameterTransfer.h"

#include <cstdio>
#include <optional>
#include <string>

#include "link/EepromVerify.h"
#include "link/EepromWrite.h"

namespace canalarm {

namespace {

constexpr ProgressBarId kBar = ProgressBarId::Parameters;
constexpr LinkTarget kTarget{.messages = MessageTarget::ParameterStatus, .parametersBar = true};
constexpr int kBlocks = 16;

// "b" then the 16 data bytes and the last reply byte in hexadecimal.
std::string DumpLine(int block, const PacketBuffer& area) {
  std::string line = std::to_string(block) + " ";
  char hex[3];
  for (int i = 1; i <= 16; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", area[i]);
    line += hex;
  }
  std::snprintf(hex, sizeof hex, "%02X", area[17]);
  return line + " " + hex;
}

}  // namespace

LinkOutcome RunParameterRead(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                             ParameterTab& tab, const ParameterReadOptions& options) {
  BootloaderLink::Session session(link);
  if (!session.Acquired()) return LinkOutcome::NotAllowed;
  LinkHost& host = link.Host();
  auto& eeprom = shared.images.eeprom;
  // Once the port is open, the image and the fields wait for the read.
  const LinkOutcome started = link.Start(port, true, kParameterReadTicks, kTarget, [&] {
    eeprom.fill(0xFF);
    shared.eepromHoldsModuleRead = false;
    tab.SetWriteEnabled(false);
  });
  if (started != LinkOutcome::Done) return started;

  link.Report(kTarget, MessageRole::msgOK);
  link.Report(kTarget, MessageRole::msgReadingEeprom);
  // Positions a reply does not reach keep what they held: 0xFF for the data
  // area, the previous block's bytes for the last two.
  PacketBuffer area{};
  for (int block = 0; block < kBlocks; ++block) {
    const auto address = static_cast<std::uint16_t>(block * kBlockSize);
    link.Port().ClearInput();
    std::fill(area.begin(), area.begin() + kBlockSize, 0xFF);
    link.SendPacket(kCmdReadEeprom, address, area, kBlockSize);
    link.ReadReply(kReadReplySize, area);
    std::copy(area.begin() + 1, area.begin() + 1 + kBlockSize, eeprom.begin() + address);
    host.AddDumpLine(DumpLine(block, area));
  }
  const int countdown = link.CountdownValue();
  if (countdown < 1) return link.ReportStopped(kTarget, countdown < 0);
  // Asked after the blocks, so that their requests and their one countdown
  // stay as they are; the request arms its own.
  std::optional<ModuleIdentity> identity;
  if (options.identity) {
    identity.emplace();
    const LinkOutcome identified = ReadModuleIdentity(link, kTarget, *identity);
    if (identified != LinkOutcome::Done) return identified;
  }

  const ParameterSet read = FillParameters(eeprom);
  tab.Fill(read);
  shared.moduleRead = eeprom;
  shared.moduleReadIdentity = identity;
  shared.eepromHoldsModuleRead = true;
  tab.SetWriteEnabled(true);
  link.Report(kTarget, MessageRole::msgDone);
  if (!ModuleHasPin(read)) link.Report(kTarget, MessageRole::msgNoPinSet);
  host.SetStatus("OK. Restart CPU...");
  link.SendPacket(kCmdReset, 0, area, 0);
  return LinkOutcome::Done;
}

namespace {

// The write from the open port on; `backup` is taken before the first block.
LinkOutcome WriteSteps(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                       ParameterTab& tab, const ParameterWriteOptions& options,
                       ParameterWriteReport& report, ModuleBackup& backup) {
  LinkHost& host = link.Host();
  auto& eeprom = shared.images.eeprom;
  const LinkOutcome started = link.Start(port, false, kParameterWriteTicks, kTarget);
  if (started != LinkOutcome::Done) return started;

  link.Report(kTarget, "OK");
  const LinkOutcome taken = backup.Take(options.backup != nullptr ? *options.backup : BackupPlan{});
  if (taken != LinkOutcome::Done) {
    link.Close();
    return taken;
  }
  // The fields came from the last read: they belong to that module only, as
  // it then was. The EEPROM covers its settings and its version text.
  const ModuleSnapshot& module = backup.Snapshot();
  if (module.identity != *shared.moduleReadIdentity || module.eeprom != shared.moduleRead) {
    link.Report(kTarget, MessageRole::msgModuleChanged);
    link.SendPacket(kCmdReset, 0, PacketBuffer{}, 0);
    link.CloseAfterOutput();
    return LinkOutcome::ModuleChanged;
  }
  link.Port().ClearInput();
  shared.images.highestEeprom = 255;
  link.Report(kTarget, MessageRole::msgWritingEeprom);
  const EepromWriteTarget target{
      .messages = kTarget, .bar = kBar, .refusalCodeShown = options.refusalCodeShown};
  const LinkOutcome written = WriteEepromBlocks(link, target, eeprom, kBlocks - 1, report);
  if (written != LinkOutcome::Done) return written;
  if (options.verify) {
    const LinkOutcome verified = VerifyEeprom(link, kTarget, eeprom, kBlocks - 1);
    if (verified != LinkOutcome::Done) {
      link.Close();
      return verified;
    }
  }

  host.SetStatus("Reset CPU...");
  link.SendPacket(kCmdReset, 0, PacketBuffer{}, 0);
  // The write button goes off after a complete write: the next write starts
  // from a fresh read.
  shared.eepromHoldsModuleRead = false;
  tab.SetWriteEnabled(false);
  link.Report(kTarget, MessageRole::msgDone);
  link.CloseAfterOutput();
  link.SetProgress(kBar, 0, link.Progress(kBar).maximum, 0);
  return LinkOutcome::Done;
}

// A write that stopped after the module may have taken blocks: the PIN
// digits lie in blocks 2 and 6, so the module may hold neither PIN.
void SayIncomplete(BootloaderLink& link, ParameterWriteReport& report, const ModuleBackup& backup) {
  report.partial = report.blocksWritten > 0 || report.blockInDoubt;
  if (!report.partial) return;
  std::string line(link.Host().Messages().Text(MessageRole::msgSettingsIncomplete));
  if (!backup.Path().empty()) line += ": " + backup.Path().string();
  // Said in both places: the status field is overwritten by the next operation.
  link.Host().SetParameterStatus(line);
  link.Host().AddLogLine(line);
}

}  // namespace

LinkOutcome RunParameterWrite(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                              ParameterTab& tab, const ParameterWriteOptions& options,
                              ParameterWriteReport* reportOut) {
  ParameterWriteReport unused;
  ParameterWriteReport& report = reportOut != nullptr ? *reportOut : unused;
  report = ParameterWriteReport{};
  BootloaderLink::Session session(link);
  if (!session.Acquired() || !shared.eepromHoldsModuleRead || !shared.moduleReadIdentity)
    return LinkOutcome::NotAllowed;
  // Folded before the port is touched: a PIN the fitter has not finished
  // typing must never reach the module.
  try {
    FoldParameters(tab.Current(), shared.images.eeprom);
  } catch (const ParameterError&) {
    link.Report(kTarget, MessageRole::msgPinIncomplete);
    return LinkOutcome::PinIncomplete;
  }
  ModuleBackup backup(link, kTarget, options.operation);
  LinkOutcome outcome = LinkOutcome::PortLost;
  try {
    outcome = WriteSteps(link, shared, port, tab, options, report, backup);
  } catch (...) {
    report.portLost = true;
    report.backup = backup.Path();
    backup.Finish(LinkOutcome::PortLost);
    SayIncomplete(link, report, backup);
    throw;
  }
  report.backup = backup.Path();
  backup.Finish(outcome);
  if (outcome != LinkOutcome::Done) SayIncomplete(link, report, backup);
  return outcome;
}

}  // namespace canalarm

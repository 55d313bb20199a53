// SPDX-License-Identifier: MIT
#include "link/ModuleBackup.h"

#include <algorithm>

#include "link/VersionRead.h"

namespace canalarm {

namespace {
constexpr int kTicksPerBlock = 30;
constexpr int kBlocks = 16;
}  // namespace

LinkOutcome ReadModuleIdentity(BootloaderLink& link, const LinkTarget& target, ModuleIdentity& identity) {
  PacketBuffer buffer{};
  link.Port().ClearInput();
  link.SendPacket(kCmdReadIdentity, 0, buffer, 0);
  link.ArmCountdown(kIdentityReplyTicks);
  const int reply = link.ReadReply(kIdentityReplySize, buffer);
  if (reply < 1) return link.ReportStopped(target, reply < 0);
  identity = {buffer[2], buffer[1]};
  return LinkOutcome::Done;
}

LinkOutcome ReadModuleSnapshot(BootloaderLink& link, const LinkTarget& target, ModuleSnapshot& snapshot) {
  const LinkOutcome identified = ReadModuleIdentity(link, target, snapshot.identity);
  if (identified != LinkOutcome::Done) return identified;

  PacketBuffer buffer{};
  for (int block = 0; block < kBlocks; ++block) {
    const auto address = static_cast<std::uint16_t>(block * kBlockSize);
    buffer.fill(0xFF);
    link.Port().ClearInput();
    link.SendPacket(kCmdReadEeprom, address, buffer, kBlockSize);
    link.ArmCountdown(kTicksPerBlock);
    const int reply = link.ReadReply(kReadReplySize, buffer);
    if (reply < 1) return link.ReportStopped(target, reply < 0);
    std::copy(buffer.begin() + 1, buffer.begin() + 1 + kBlockSize, snapshot.eeprom.begin() + address);
  }
  return LinkOutcome::Done;
}

LinkOutcome ModuleBackup::Take(const BackupPlan& plan) {
  LinkHost& host = link_.Host();
  link_.Report(target_, MessageRole::msgSavingBackup);
  const LinkOutcome read = ReadModuleSnapshot(link_, target_, snapshot_);
  if (read != LinkOutcome::Done) return read;
  taken_ = true;
  if (plan.store == nullptr) return LinkOutcome::Done;

  BackupRecord record;
  record.port = plan.port;
  record.device = plan.device;
  record.operation = operation_;
  record.identity = snapshot_.identity;
  std::copy(snapshot_.eeprom.begin() + kVersionTextAddress, snapshot_.eeprom.end(), record.version.begin());
  record.file = plan.file;
  record.fileSha256 = plan.fileSha256;
  record.eeprom = snapshot_.eeprom;
  try {
    path_ = plan.store->Save(record);
  } catch (const std::exception& e) {
    link_.Report(target_, std::string(host.Messages().Text(MessageRole::msgBackupFailed)) + ": " + e.what());
    return LinkOutcome::BackupFailed;
  }
  store_ = plan.store;
  link_.Report(target_, std::string(host.Messages().Text(MessageRole::msgBackupSaved)) + ": " + path_.string());
  return LinkOutcome::Done;
}

void ModuleBackup::Finish(LinkOutcome outcome) {
  if (store_ == nullptr || finished_) return;
  finished_ = true;
  try {
    store_->RecordOutcome(path_, LinkOutcomeName(outcome));
  } catch (const std::exception&) {
    // See the header: the backup's bytes are kept, only the outcome is missing.
  }
}

}  // namespace canalarm

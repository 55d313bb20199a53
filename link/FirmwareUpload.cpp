// SPDX-License-Identifier: MIT
#include "link/FirmwareUpload.h"

#include <cstdio>
#include <exception>
#include <string>

#include "firmware/FirmwareLoad.h"
#include "link/EepromVerify.h"
#include "link/EepromWrite.h"
#include "link/ModuleSettings.h"

namespace canalarm {

namespace {

constexpr std::int32_t kFlashTop = 0x7FFF;
constexpr std::int32_t kEepromTop = 0xFF;
constexpr ProgressBarId kBar = ProgressBarId::Programming;
constexpr LinkTarget kTarget{.messages = MessageTarget::Log, .programmingBar = true};

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// Fills `buffer` with the 16 image bytes of block `block`.
template <std::size_t N>
void CopyBlock(const std::array<std::uint8_t, N>& image, std::int32_t block, PacketBuffer& buffer) {
  const auto first = image.begin() + block * static_cast<std::int32_t>(kBlockSize);
  std::copy(first, first + kBlockSize, buffer.begin());
}

// A write packet was not acknowledged: report, close the port, reset the bar.
LinkOutcome AckFailure(BootloaderLink& link, WaitResult wait) {
  const LinkOutcome outcome = link.ReportStopped(kTarget, wait == WaitResult::Cancelled);
  link.Close();
  link.SetProgressMinimum(kBar, 0);
  link.SetProgressPosition(kBar, 0);
  return outcome;
}

LinkOutcome WriteFlash(BootloaderLink& link, SharedImages& shared, const UploadOptions& options,
                       UploadReport& report) {
  LinkHost& host = link.Host();
  FirmwareImages& images = shared.images;
  if (images.highestFlash == -1) {
    link.Report(kTarget, MessageRole::msgNoFlashData);
    return LinkOutcome::Done;
  }
  if (options.flashSize) link.Report(kTarget, "Flash = " + std::to_string(images.highestFlash - 512) + "B");
  if (options.allMemory) images.highestFlash = kFlashTop;
  link.Report(kTarget, MessageRole::msgWritingFlash);
  host.SetStatusMessage(MessageRole::msgWritingFlash);

  const std::int32_t lastBlock = images.highestFlash / static_cast<std::int32_t>(kBlockSize);
  link.SetProgressMinimum(kBar, 0);
  link.SetProgressMaximum(kBar, std::max(lastBlock, kFirstFlashBlock));
  link.SetProgressPosition(kBar, kFirstFlashBlock);
  link.SetProgressMinimum(kBar, kFirstFlashBlock);

  PacketBuffer buffer{};
  for (std::int32_t block = kFirstFlashBlock; block <= lastBlock; ++block) {
    link.Port().ClearInput();
    CopyBlock(images.flash, block, buffer);
    const auto address = static_cast<std::uint16_t>(block * kBlockSize);
    const AckResult ack = WriteBlock(link, kCmdWriteFlash, address, buffer, report);
    if (ack.wait != WaitResult::Done) return AckFailure(link, ack.wait);
    if (ack.code != 0) {
      link.Report(kTarget, std::string(host.Messages().Text(MessageRole::msgFlashWriteError)) + Hex8(address) +
                               "; error code " + std::to_string(ack.code));
      link.Close();
      link.SetProgressPosition(kBar, link.Progress(kBar).minimum);
      return LinkOutcome::WriteRefused;
    }
    link.SetProgressPosition(kBar, block);
    host.ProcessEvents();
  }
  return LinkOutcome::Done;
}

LinkOutcome WriteEeprom(BootloaderLink& link, SharedImages& shared, const UploadOptions& options,
                        UploadReport& report) {
  LinkHost& host = link.Host();
  FirmwareImages& images = shared.images;
  if (images.highestEeprom == -1) {
    host.SetStatusMessage(MessageRole::msgNoEepromData);
    return LinkOutcome::Done;
  }
  if (options.flashSize) link.Report(kTarget, "Eeprom = " + std::to_string(images.highestEeprom) + "B");
  if (options.allMemory) images.highestEeprom = kEepromTop;
  link.Report(kTarget, MessageRole::msgWritingEeprom);

  const std::int32_t lastBlock = images.highestEeprom / static_cast<std::int32_t>(kBlockSize);
  const LinkOutcome written =
      WriteEepromBlocks(link, {.messages = kTarget, .bar = kBar}, images.eeprom, lastBlock, report);
  if (written != LinkOutcome::Done) return written;
  if (options.verify) {
    const LinkOutcome verified = VerifyEeprom(link, kTarget, images.eeprom, lastBlock);
    if (verified != LinkOutcome::Done) {
      link.Close();
      return verified;
    }
  }
  return LinkOutcome::Done;
}

// The ending of every upload that gets past its first check: "Finished",
// the port closed once the reset has left, the bar back to 0.
void Finish(BootloaderLink& link) {
  try {
    link.Report(kTarget, MessageRole::msgDone);
    link.Host().SetStatus("Finished.");
    link.CloseAfterOutput();
    link.SetProgressMinimum(kBar, 0);
    link.SetProgressPosition(kBar, 0);
  } catch (const std::exception&) {
    // Errors while finishing are ignored: the upload's work is done.
  }
}

// An upload that ends early after the module took blocks says so: the
// module won't run what it holds.
LinkOutcome EndedEarly(BootloaderLink& link, UploadReport& report, LinkOutcome outcome) {
  if (report.blocksWritten > 0 || report.blockInDoubt) report.partial = true;
  if (report.partial) link.Report(kTarget, MessageRole::msgIncompleteFirmware);
  return outcome;
}

// The module's settings across the upload: kept, or named where the file's
// values replace them.
void SettleSettings(BootloaderLink& link, SharedImages& shared, const UploadOptions& options,
                    const ModuleBackup& backup, UploadReport& report) {
  const auto& module = backup.Snapshot().eeprom;
  if (!HoldsSettings(module)) return;
  LinkHost& host = link.Host();
  if (options.keepModuleSettings) {
    CopySettings(module, shared.images.eeprom);
    report.settingsKept = true;
    link.Report(kTarget, MessageRole::msgSettingsKept);
    return;
  }
  report.settingsReplaced = SettingsChanges(module, shared.images.eeprom);
  if (report.settingsReplaced.empty()) return;
  std::string line = std::string(host.Messages().Text(MessageRole::msgSettingsReplaced)) + ": " +
                     report.settingsReplaced;
  if (!backup.Path().empty()) line += "; " + std::string(host.Messages().Text(MessageRole::msgBackupSaved)) +
                                      ": " + backup.Path().string();
  link.Report(kTarget, line);
}

// The upload from the open port on; `backup` is taken before the first write.
LinkOutcome UploadSteps(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                        const UploadOptions& options, UploadReport& report, ModuleBackup& backup) {
  const LinkOutcome started = link.Start(port, false, kUploadWakeTicks, kTarget);
  if (started != LinkOutcome::Done) return started;
  link.Port().ClearInput();

  try {
    if (options.eeprom && shared.images.highestEeprom != -1 &&
        (options.backup != nullptr || options.keepModuleSettings)) {
      const LinkOutcome taken = backup.Take(options.backup != nullptr ? *options.backup : BackupPlan{});
      if (taken != LinkOutcome::Done) {
        link.Close();
        return taken;
      }
      SettleSettings(link, shared, options, backup, report);
      link.Port().ClearInput();
    }
    LinkOutcome outcome = WriteFlash(link, shared, options, report);
    if (outcome != LinkOutcome::Done) return EndedEarly(link, report, outcome);
    if (options.eeprom) {
      outcome = WriteEeprom(link, shared, options, report);
      if (outcome != LinkOutcome::Done) return EndedEarly(link, report, outcome);
    }
  } catch (...) {
    // A port error (a pulled adapter) leaves the upload as it came, but the
    // module may hold part of the firmware all the same.
    report.portLost = true;
    EndedEarly(link, report, LinkOutcome::PortLost);
    throw;
  }

  link.Host().SetStatus("Reset CPU...");
  link.SendPacket(kCmdReset, 0, PacketBuffer{}, 0);
  Finish(link);
  return LinkOutcome::Done;
}

}  // namespace

LinkOutcome RunFirmwareUpload(BootloaderLink& link, SharedImages& shared, const PortChoice& port,
                              const UploadOptions& options, UploadReport* reportOut) {
  UploadReport unused;
  UploadReport& report = reportOut != nullptr ? *reportOut : unused;
  report = UploadReport{};
  BootloaderLink::Session session(link);
  if (!session.Acquired()) return LinkOutcome::NotAllowed;
  LinkHost& host = link.Host();

  if (shared.firmwareFileName.empty()) {
    link.Report(kTarget, MessageRole::msgNoFileSelected);
    Finish(link);
    return LinkOutcome::NoFileSelected;
  }

  // The load refills the EEPROM image from the file, whatever its outcome.
  shared.eepromHoldsModuleRead = false;
  host.ClearLog();
  const LoadResult load = LoadFirmware(shared.firmwareFileName, options.decode, shared.images);
  if (load.outcome != LoadOutcome::Loaded) {
    link.Report(kTarget, MessageRole::msgFileReadError);
    return LinkOutcome::FileReadError;
  }

  ModuleBackup backup(link, kTarget, "upload");
  LinkOutcome outcome = LinkOutcome::PortLost;
  try {
    outcome = UploadSteps(link, shared, port, options, report, backup);
  } catch (...) {
    backup.Finish(LinkOutcome::PortLost);
    report.backup = backup.Path();
    throw;
  }
  backup.Finish(outcome);
  report.backup = backup.Path();
  return outcome;
}

}  // namespace canalarm

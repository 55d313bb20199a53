// SPDX-License-Identifier: MIT
#include "link/FirmwareUpload.h"

#include <cstdio>
#include <exception>
#include <string>

#include "firmware/FirmwareLoad.h"
#include "link/EepromVerify.h"

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
  const bool cancelled = wait == WaitResult::Cancelled;
  link.Report(kTarget, cancelled ? MessageRole::msgCancelled : MessageRole::msgCommError);
  link.Close();
  link.SetProgressMinimum(kBar, 0);
  link.SetProgressPosition(kBar, 0);
  return cancelled ? LinkOutcome::Cancelled : LinkOutcome::CommError;
}

// Sends one write packet and waits for its acknowledgement, unless the user
// has cancelled; keeps count of what the module took.
AckResult WriteBlock(BootloaderLink& link, std::uint8_t command, std::uint16_t address,
                     const PacketBuffer& buffer, UploadReport& report) {
  if (link.CancelPending()) return {WaitResult::Cancelled, 0};
  link.SendPacket(command, address, buffer, kBlockSize);
  const AckResult ack = link.WaitAck();
  if (ack.wait != WaitResult::Done) report.partial = true;  // it may have been written
  if (ack.wait == WaitResult::Done && ack.code == 0) ++report.blocksWritten;
  if (ack.wait == WaitResult::Done) report.refusalCode = ack.code;
  return ack;
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
  link.SetProgressMinimum(kBar, 0);
  link.SetProgressPosition(kBar, 0);
  link.SetProgressMaximum(kBar, lastBlock);

  PacketBuffer buffer{};
  for (std::int32_t block = 0; block <= lastBlock; ++block) {
    CopyBlock(images.eeprom, block, buffer);
    const AckResult ack = WriteBlock(
        link, kCmdWriteEeprom, static_cast<std::uint16_t>(block * kBlockSize), buffer, report);
    if (ack.wait != WaitResult::Done) return AckFailure(link, ack.wait);
    if (ack.code != 0) {
      link.Report(kTarget, std::string(host.Messages().Text(MessageRole::msgEepromWriteError)) +
                               "; error code " + std::to_string(ack.code));
      link.Close();
      link.SetProgressPosition(kBar, link.Progress(kBar).minimum);
      return LinkOutcome::WriteRefused;
    }
    link.SetProgressPosition(kBar, block);
    host.ProcessEvents();
  }
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
  if (report.blocksWritten > 0) report.partial = true;
  if (report.partial) link.Report(kTarget, MessageRole::msgIncompleteFirmware);
  return outcome;
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

  if (!link.OpenLinkPort(port, false)) {
    link.Report(kTarget, MessageRole::msgPortOpenError);
    return LinkOutcome::PortOpenError;
  }
  if (!link.WakeBootloader(kUploadWakeTicks, kTarget))
    return link.CountdownValue() == -1 ? LinkOutcome::Cancelled : LinkOutcome::NoBootloader;
  link.Port().ClearInput();

  try {
    LinkOutcome outcome = WriteFlash(link, shared, options, report);
    if (outcome != LinkOutcome::Done) return EndedEarly(link, report, outcome);
    if (options.eeprom) {
      outcome = WriteEeprom(link, shared, options, report);
      if (outcome != LinkOutcome::Done) return EndedEarly(link, report, outcome);
    }
  } catch (...) {
    // A port error (a pulled adapter) leaves the upload as it came, but the
    // module may hold part of the firmware all the same.
    EndedEarly(link, report, LinkOutcome::CommError);
    throw;
  }

  host.SetStatus("Reset CPU...");
  link.SendPacket(kCmdReset, 0, PacketBuffer{}, 0);
  Finish(link);
  return LinkOutcome::Done;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "link/VersionRead.h"

#include <algorithm>
#include <cstdio>

#include "firmware/FirmwareImages.h"
#include "firmware/TextEncoding.h"

namespace canalarm {

namespace {
constexpr LinkTarget kTarget{.messages = MessageTarget::Log, .programmingBar = true,
                             .parametersBar = true};
}  // namespace

std::string DeviceIdLine(std::uint8_t byte1, std::uint8_t byte2) {
  char text[32];
  std::snprintf(text, sizeof text, "Device ID: %02X:%02X", byte2, byte1);
  return text;
}

std::string VersionLine(std::string_view label, const std::array<std::uint8_t, 16>& text) {
  // Nothing is trimmed. Bytes above 0x7F are read in the Central European
  // code page the module's texts use; control bytes show as '.'.
  std::string bytes;
  for (std::uint8_t b : text) bytes.push_back(b < 0x20 || b == 0x7F ? '.' : static_cast<char>(b));
  return std::string(label) + ": " + Windows1250ToUtf8(bytes);
}

bool HoldsVersionText(const std::array<std::uint8_t, 16>& text) {
  return std::any_of(text.begin(), text.end(),
                     [](std::uint8_t b) { return b >= 0x20 && b != 0x7F && b != kErasedByte; });
}

std::string VersionLineFor(std::string_view label, const std::array<std::uint8_t, 16>& text,
                           MissingVersionText missing) {
  if (missing == MissingVersionText::ShowBytes || HoldsVersionText(text)) return VersionLine(label, text);
  const bool erased = std::all_of(text.begin(), text.end(), [](std::uint8_t b) { return b == kErasedByte; });
  if (erased) return std::string(label) + ": none (erased, all 16 bytes FF)";
  std::string bytes;
  char hex[4];
  for (std::uint8_t b : text) {
    std::snprintf(hex, sizeof hex, " %02X", b);
    bytes += hex;
  }
  return std::string(label) + ": none (no text in the bytes" + bytes + ")";
}

VersionReadResult RunVersionRead(BootloaderLink& link, const PortChoice& port, bool readIdentity,
                                 MissingVersionText missing) {
  VersionReadResult result;
  BootloaderLink::Session session(link);
  if (!session.Acquired()) {
    result.outcome = LinkOutcome::NotAllowed;
    return result;
  }
  LinkHost& host = link.Host();
  host.ClearLog();
  result.outcome = link.Start(port, true, kVersionWakeTicks, kTarget);
  if (result.outcome != LinkOutcome::Done) return result;

  PacketBuffer buffer{};
  if (readIdentity) {
    link.Port().ClearInput();
    link.SendPacket(kCmdReadIdentity, 0, buffer, 0);
    link.ArmCountdown(kIdentityReplyTicks);
    const int reply = link.ReadReply(kIdentityReplySize, buffer);
    if (reply < 1) {
      // A reply that did not complete; the port stays open.
      result.outcome = link.ReportStopped(kTarget, reply < 0);
      return result;
    }
    result.identity = {buffer[1], buffer[2]};
    link.Report(kTarget, DeviceIdLine(buffer[1], buffer[2]));
  }

  link.Port().ClearInput();
  std::fill(buffer.begin(), buffer.begin() + 19, 0xFF);
  link.SendPacket(kCmdReadEeprom, kVersionTextAddress, buffer, kBlockSize);
  // Not armed again: the reply runs on what the wake-up (or the identity
  // request) left of the countdown.
  const int reply = link.ReadReply(kReadReplySize, buffer);
  if (reply < 1) {
    result.outcome = link.ReportStopped(kTarget, reply < 0);
    return result;
  }
  std::array<std::uint8_t, 16> version{};
  std::copy(buffer.begin() + 1, buffer.begin() + 17, version.begin());
  result.version = version;
  link.Report(kTarget, VersionLineFor(host.Messages().Text(MessageRole::msgProgramVersion), version, missing));
  link.Report(kTarget, MessageRole::msgDone);
  host.SetStatus("OK. Restart CPU...");
  link.SendPacket(kCmdReset, 0, buffer, 0);
  result.outcome = LinkOutcome::Done;
  return result;
}

}  // namespace canalarm

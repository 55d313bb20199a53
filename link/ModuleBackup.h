// SPDX-License-Identifier: MIT
// The backup read: right before an operation's first write packet, in the
// same link, the module's identity and its whole EEPROM are read and saved
// in the backup store. The operation then goes on only when the backup was
// saved, and records its outcome in the backup when it ends.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "link/BackupStore.h"
#include "link/BootloaderLink.h"
#include "link/LinkOutcome.h"

namespace canalarm {

// Where and as what an operation's backup is saved.
struct BackupPlan {
  BackupStore* store = nullptr;  // no backup is saved without one
  std::string port;              // "COM1" or a device path
  std::string device;            // what the port leads to, when known
  std::string file;              // the firmware file, or the backup restored from
  std::string fileSha256;        // of the firmware file's bytes
};

// The module's two identity bytes as the version read shows them: reply byte 2 first.
using ModuleIdentity = std::array<std::uint8_t, 2>;

// What the backup read found.
struct ModuleSnapshot {
  ModuleIdentity identity{};
  std::array<std::uint8_t, 256> eeprom{};
};

// Asks for the identity with its own 50 ticks. Done, CommError (reported) or
// Cancelled (reported). Leaves the port open.
LinkOutcome ReadModuleIdentity(BootloaderLink& link, const LinkTarget& target, ModuleIdentity& identity);

// Reads the identity and all 16 EEPROM blocks, each with 30 ticks for its
// reply. Done, CommError (reported) or Cancelled (reported). Leaves the port open.
LinkOutcome ReadModuleSnapshot(BootloaderLink& link, const LinkTarget& target, ModuleSnapshot& snapshot);

class ModuleBackup {
 public:
  ModuleBackup(BootloaderLink& link, const LinkTarget& target, std::string operation)
      : link_(link), target_(target), operation_(std::move(operation)) {}
  ModuleBackup(const ModuleBackup&) = delete;
  ModuleBackup& operator=(const ModuleBackup&) = delete;

  // Reads the module and saves the backup as `plan` says; says where it
  // went. BackupFailed (reported, with why) when the store can't keep it;
  // the read's own outcome when the read fails.
  LinkOutcome Take(const BackupPlan& plan);

  const ModuleSnapshot& Snapshot() const { return snapshot_; }
  bool Taken() const { return taken_; }
  // The saved backup; empty when none was saved.
  const std::filesystem::path& Path() const { return path_; }

  // Records how the operation ended in the backup, once. A store that fails
  // now is not reported: the operation is over, and the backup holds the
  // module's bytes all the same.
  void Finish(LinkOutcome outcome);

 private:
  BootloaderLink& link_;
  LinkTarget target_;
  std::string operation_;
  BackupStore* store_ = nullptr;
  ModuleSnapshot snapshot_;
  bool taken_ = false;
  bool finished_ = false;
  std::filesystem::path path_;
};

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The folder of backups: one private file per backup, named so that the
// names sort by time ("20261208T223015.123Z-COM1-upload.backup"; a second
// one of the same millisecond "20261208T223015.123Z02-COM1-upload.backup").
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/BackupFiles.h"
#include "link/BackupRecord.h"

namespace canalarm {

// A backup in the folder: its number in the list (1 = the oldest), its path,
// and what it holds, or why it can't be read.
struct StoredBackup {
  int number = 0;
  std::filesystem::path path;
  std::optional<BackupRecord> record;
  std::string problem;
};

class BackupStore {
 public:
  explicit BackupStore(std::filesystem::path folder = DefaultBackupFolder())
      : folder_(std::move(folder)) {}

  const std::filesystem::path& Folder() const { return folder_; }

  // Saves `record` as a new file (its time is set now when empty) and
  // returns the file's path. Throws BackupStoreError; then nothing is kept.
  std::filesystem::path Save(BackupRecord record);
  // Adds the operation's outcome to the backup at `path`. Throws BackupStoreError.
  void RecordOutcome(const std::filesystem::path& path, std::string_view outcome);

  // Every backup of the folder, oldest first; none when there is no folder.
  std::vector<StoredBackup> List() const;
  // The backup that `which` names: a number of List(), or a file's path.
  // Throws BackupStoreError or BackupFormatError.
  StoredBackup Find(const std::string& which) const;

 private:
  std::filesystem::path folder_;
};

// "20261208T223015.123Z": UTC, to the millisecond.
std::string BackupTimeStamp(std::chrono::system_clock::time_point when);

// Reads one backup file. Throws BackupStoreError or BackupFormatError.
BackupRecord ReadBackupFile(const std::filesystem::path& path);

}  // namespace canalarm

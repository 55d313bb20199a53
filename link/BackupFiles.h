// SPDX-License-Identifier: MIT
// The backups' folder and files, private to the user from the moment they
// exist: backups hold customers' PINs.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace canalarm {

// A backup that can't be stored; the message says which path and why.
class BackupStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// $XDG_DATA_HOME/canalarm/backups (~/.local/share/canalarm/backups without
// it); on Windows canalarm\backups under the user's local application data.
std::filesystem::path DefaultBackupFolder();

// Creates `folder` (and its parents) if missing. On POSIX the folder is
// made 0700 and an existing one that is readable by others is made 0700; a
// folder that is a symbolic link or belongs to another user is refused.
// Throws BackupStoreError.
void MakePrivateFolder(const std::filesystem::path& folder);

// Creates `file` with `content`, readable by the user alone from the start
// (0600, never following a link), and flushes it to the disk. Returns false
// when `file` exists already; throws BackupStoreError on any other failure.
bool CreatePrivateFile(const std::filesystem::path& file, std::string_view content);

// Adds `text` at the end of `file` and flushes it. Throws BackupStoreError.
void AppendToPrivateFile(const std::filesystem::path& file, std::string_view text);

}  // namespace canalarm

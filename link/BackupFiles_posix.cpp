// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/BackupFiles.h"

namespace canalarm {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, std::string_view what, int error) {
  throw BackupStoreError(path.string() + ": " + std::string(what) + ": " + std::strerror(error));
}

// Writes all of `text`; false on an error (errno says which).
bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void MakeOneFolder(const std::filesystem::path& folder, bool mine) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) Fail(folder, "cannot create the folder", errno);
  if (!mine) return;
  // The folders of the backups themselves must be ours alone, whoever made them.
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) Fail(folder, "cannot look at the folder", errno);
  if (!S_ISDIR(info.st_mode)) throw BackupStoreError(folder.string() + ": not a folder");
  if (info.st_uid != ::geteuid()) throw BackupStoreError(folder.string() + ": belongs to another user");
  if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
    Fail(folder, "cannot make the folder private", errno);
}

}  // namespace

std::filesystem::path DefaultBackupFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  std::filesystem::path base;
  if (dataHome != nullptr && dataHome[0] == '/') {
    base = dataHome;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/") / ".local" / "share";
  }
  return base / "canalarm" / "backups";
}

void MakePrivateFolder(const std::filesystem::path& folder) {
  // The parents above canalarm/ are the user's own business: made if
  // missing, left as they are.
  const std::filesystem::path program = folder.parent_path();
  std::error_code ec;
  std::filesystem::create_directories(program.parent_path(), ec);
  if (ec) throw BackupStoreError(program.parent_path().string() + ": " + ec.message());
  MakeOneFolder(program, false);
  MakeOneFolder(folder, true);
}

bool CreatePrivateFile(const std::filesystem::path& file, std::string_view content) {
  const int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    Fail(file, "cannot create the backup", errno);
  }
  if (!WriteAll(fd, content) || ::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(file.c_str());
    Fail(file, "cannot write the backup", error);
  }
  if (::close(fd) != 0) Fail(file, "cannot write the backup", errno);
  // The new name must survive a crash too.
  const int folder = ::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

void AppendToPrivateFile(const std::filesystem::path& file, std::string_view text) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) Fail(file, "cannot open the backup", errno);
  if (!WriteAll(fd, text) || ::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    Fail(file, "cannot add to the backup", error);
  }
  ::close(fd);
}

}  // namespace canalarm

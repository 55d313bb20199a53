// SPDX-License-Identifier: MIT
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>

#include "link/BackupFiles.h"

namespace canalarm {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, std::string_view what) {
  throw BackupStoreError(path.string() + ": " + std::string(what) + ": Windows error " +
                         std::to_string(::GetLastError()));
}

bool WriteAll(HANDLE file, std::string_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    if (!::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return false;
    text.remove_prefix(written);
  }
  return ::FlushFileBuffers(file) != 0;
}

}  // namespace

std::filesystem::path DefaultBackupFolder() {
  // The user's own profile, which other users can't read.
  PWSTR local = nullptr;
  std::filesystem::path base;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local))) base = local;
  ::CoTaskMemFree(local);
  if (base.empty()) {
    const char* fromEnvironment = std::getenv("LOCALAPPDATA");
    base = fromEnvironment != nullptr ? fromEnvironment : ".";
  }
  return base / "canalarm" / "backups";
}

void MakePrivateFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw BackupStoreError(folder.string() + ": " + ec.message());
}

bool CreatePrivateFile(const std::filesystem::path& path, std::string_view content) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_FILE_EXISTS) return false;
    Fail(path, "cannot create the backup");
  }
  const bool written = WriteAll(file, content);
  ::CloseHandle(file);
  if (!written) {
    ::DeleteFileW(path.c_str());
    Fail(path, "cannot write the backup");
  }
  return true;
}

void AppendToPrivateFile(const std::filesystem::path& path, std::string_view text) {
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(path, "cannot open the backup");
  const bool written = WriteAll(file, text);
  ::CloseHandle(file);
  if (!written) Fail(path, "cannot add to the backup");
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "link/BackupStore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace canalarm {

namespace {

constexpr std::string_view kExtension = ".backup";
// More backups in one millisecond of one port and operation than this means
// something else is wrong.
constexpr int kMostSameNames = 100;

// A port name as part of a file name: "COM1", "dev_ttyUSB0".
std::string NamePart(std::string_view text) {
  std::string part;
  for (char c : text) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-';
    if (plain) part.push_back(c);
    else if (!part.empty() && part.back() != '_') part.push_back('_');
  }
  while (!part.empty() && part.back() == '_') part.pop_back();
  if (!part.empty() && part.front() == '_') part.erase(part.begin());
  return part.empty() ? "port" : part;
}

}  // namespace

std::string BackupTimeStamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
  return text;
}

std::filesystem::path BackupStore::Save(BackupRecord record) {
  if (record.time.empty()) record.time = BackupTimeStamp(std::chrono::system_clock::now());
  MakePrivateFolder(folder_);
  const std::string rest = "-" + NamePart(record.port) + "-" + NamePart(record.operation) + std::string(kExtension);
  const std::string text = FormatBackup(record);
  // A second backup of the same moment gets a number right after the time,
  // "...123Z02-COM1-...", which sorts after the first ('-' comes before '0').
  for (int attempt = 1; attempt < kMostSameNames; ++attempt) {
    char number[4] = "";
    if (attempt > 1) std::snprintf(number, sizeof number, "%02d", attempt % kMostSameNames);
    const std::filesystem::path path = folder_ / (record.time + number + rest);
    if (CreatePrivateFile(path, text)) return path;
  }
  throw BackupStoreError(folder_.string() + ": too many backups named " + record.time + rest);
}

void BackupStore::RecordOutcome(const std::filesystem::path& path, std::string_view outcome) {
  AppendToPrivateFile(path, FormatOutcomeLine(outcome));
}

BackupRecord ReadBackupFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BackupStoreError(path.string() + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return ParseBackup(text.str());
}

std::vector<StoredBackup> BackupStore::List() const {
  std::vector<std::filesystem::path> paths;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
    if (entry.path().extension() == kExtension && entry.is_regular_file(ec)) paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<StoredBackup> backups;
  for (const auto& path : paths) {
    StoredBackup backup;
    backup.number = static_cast<int>(backups.size()) + 1;
    backup.path = path;
    try {
      backup.record = ReadBackupFile(path);
    } catch (const std::exception& e) {
      backup.problem = e.what();
    }
    backups.push_back(std::move(backup));
  }
  return backups;
}

StoredBackup BackupStore::Find(const std::string& which) const {
  const bool number = !which.empty() && which.size() < 9 &&
                      std::all_of(which.begin(), which.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (number) {
    const int wanted = std::stoi(which);
    for (StoredBackup& backup : List()) {
      if (backup.number != wanted) continue;
      if (!backup.record) throw BackupFormatError(backup.path.string() + ": " + backup.problem);
      return backup;
    }
    throw BackupStoreError("no backup number " + which + " in " + folder_.string());
  }
  StoredBackup backup;
  backup.path = which;
  try {
    backup.record = ReadBackupFile(backup.path);
  } catch (const BackupFormatError& e) {
    throw BackupFormatError(which + ": " + e.what());
  }
  return backup;
}

}  // namespace canalarm

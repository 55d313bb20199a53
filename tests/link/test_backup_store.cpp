// SPDX-License-Identifier: MIT
// The backups' file format and folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "link/BackupStore.h"
#include "link/ModuleSettings.h"
#include "params/ParameterBlock.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace canalarm;

namespace {

BackupRecord Sample() {
  BackupRecord record;
  record.time = "20261208T223015.123Z";
  record.port = "COM1";
  record.device = "/dev/ttyUSB0";
  record.operation = "upload";
  record.identity = std::array<std::uint8_t, 2>{0x1A, 0x43};
  for (std::size_t i = 0; i < 256; ++i) record.eeprom[i] = static_cast<std::uint8_t>(i);
  record.version = {'A', 'B'};
  // A name with a line break and the escape character must stay on its line.
  record.file = "/home/fitter/odd\nname 100%.hexfw";
  record.fileSha256 = std::string(64, 'a');
  return record;
}

}  // namespace

TEST(BackupRecord, RoundTripKeepsEveryField) {
  BackupRecord record = Sample();
  const std::string text = FormatBackup(record) + FormatOutcomeLine("port-lost");
  const BackupRecord read = ParseBackup(text);
  EXPECT_EQ(read.time, record.time);
  EXPECT_EQ(read.device, record.device);
  EXPECT_EQ(read.identity, record.identity);
  EXPECT_EQ(read.eeprom, record.eeprom);
  EXPECT_EQ(read.version, record.version);
  EXPECT_EQ(read.file, record.file);
  EXPECT_EQ(read.outcome, "port-lost");
  EXPECT_EQ(IdentityText(*read.identity), "1A:43");
}

TEST(BackupRecord, AnythingButAWholeBackupIsRefused) {
  const std::string good = FormatBackup(Sample());
  const auto replaced = [&good](std::string_view from, std::string_view to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"another file", "hello\n"},
      {"cut short", good.substr(0, good.size() - 1)},
      {"an EEPROM byte short", replaced("eeprom 00", "eeprom ")},
      {"not hexadecimal", replaced("eeprom 00", "eeprom 0G")},
      {"an unknown line", good + "pin 1234\n"},
      {"a key twice", good + "outcome done\n" + "outcome done\n"},
      {"no EEPROM", replaced("eeprom ", "comment ")},
      {"a cut escape", replaced("100%25", "100%2")},
      {"a bad identity", replaced("identity 1A:43", "identity 1A43")},
  };
  for (const auto& [name, text] : cases) EXPECT_THROW(ParseBackup(text), BackupFormatError) << name;
}

TEST(BackupStore, SavesListsAndFindsByNumberOrPath) {
  test::TempDir dir;
  BackupStore store(dir.Path() / "canalarm" / "backups");
  EXPECT_TRUE(store.List().empty());  // no folder yet
  BackupRecord first = Sample();
  const auto a = store.Save(first);
  first.port = "/dev/pts/7";  // the same moment on another port, then the same port again
  const auto b = store.Save(first);
  const auto c = store.Save(Sample());
  EXPECT_EQ(a.filename(), "20261208T223015.123Z-COM1-upload.backup");
  EXPECT_EQ(b.filename(), "20261208T223015.123Z-dev_pts_7-upload.backup");
  EXPECT_EQ(c.filename(), "20261208T223015.123Z02-COM1-upload.backup");
  store.RecordOutcome(a, "done");
  std::ofstream(store.Folder() / "zz-broken.backup") << "canalarm-backup 1\n";

  const auto listed = store.List();
  ASSERT_EQ(listed.size(), 4u);
  // Oldest first, the first of one moment before the second.
  EXPECT_EQ(listed[0].path, a);
  EXPECT_EQ(listed[1].path, b);
  EXPECT_EQ(listed[2].path, c);
  EXPECT_EQ(listed[0].record->outcome, "done");
  EXPECT_TRUE(listed[1].record->outcome.empty());
  EXPECT_FALSE(listed[3].record);
  EXPECT_FALSE(listed[3].problem.empty());
  EXPECT_EQ(store.Find("2").path, listed[1].path);
  EXPECT_EQ(store.Find(a.string()).record->eeprom, Sample().eeprom);
  EXPECT_THROW(store.Find("9"), BackupStoreError);
  EXPECT_THROW(store.Find("4"), BackupFormatError);
}

#ifndef _WIN32
TEST(BackupStore, FolderAndFilesArePrivate) {
  test::TempDir dir;
  const auto folder = dir.Path() / "canalarm" / "backups";
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::all);  // 0777 from someone
  BackupStore store(folder);
  const auto path = store.Save(Sample());
  struct stat info {};
  ASSERT_EQ(::stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A folder that is a link to somewhere else is not written through.
  test::TempDir other;
  const auto linked = dir.Path() / "linked" / "canalarm" / "backups";
  std::filesystem::create_directories(linked.parent_path());
  std::filesystem::create_directory_symlink(other.Path(), linked);
  EXPECT_THROW(BackupStore(linked).Save(Sample()), BackupStoreError);
  EXPECT_TRUE(std::filesystem::is_empty(other.Path()));
}
#endif

TEST(ModuleSettings, KeptAndNamedByTheSevenBytes) {
  std::array<std::uint8_t, 256> module{};
  module.fill(0xFF);
  EXPECT_FALSE(HoldsSettings(module));  // an erased module holds none
  module[0x26] = 9, module[0x66] = 8, module[0x27] = 7, module[0x67] = 6;
  module[0x28] = 0x55;
  module[0x21] = 0x40;
  EXPECT_TRUE(HoldsSettings(module));
  std::array<std::uint8_t, 256> file{};
  file.fill(0x11);
  file[0x26] = 2, file[0x66] = 5, file[0x27] = 8, file[0x67] = 0;
  file[0x28] = 0x23;
  EXPECT_EQ(SettingsChanges(module, module), "");
  const std::string changes = SettingsChanges(module, file);
  EXPECT_NE(changes.find("PIN 9876 -> 2580"), std::string::npos) << changes;
  EXPECT_NE(changes.find("programNumber 55 -> 23"), std::string::npos) << changes;
  std::array<std::uint8_t, 256> kept = file;
  CopySettings(module, kept);
  EXPECT_EQ(SettingsChanges(module, kept), "");
  for (std::size_t i = 0; i < 256; ++i) {
    if (std::find(kParameterAddresses.begin(), kParameterAddresses.end(), i) == kParameterAddresses.end()) {
      EXPECT_EQ(kept[i], 0x11) << i;
    }
  }
}

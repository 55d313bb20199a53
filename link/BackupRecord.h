// SPDX-License-Identifier: MIT
// One backup of a module's EEPROM, taken in the link right before an
// operation writes into the module, and its file format.
//
// The file is plain text, one "key value" line each, so that a fitter can
// read it; the reader is strict: a line it does not know, a key given twice
// or an EEPROM that is not 256 bytes makes the whole file unreadable.
//
//   canalarm-backup 1
//   time 20261208T223015.123Z
//   port COM1
//   device /dev/ttyUSB0
//   operation upload
//   identity 1A:43
//   version 43414E414C41524D20454D5520312E30
//   file /home/fitter/demo.hexfw
//   sha256 9f86d0...
//   eeprom FFFF...   (512 hexadecimal digits)
//   outcome done     (added when the operation ends)
//
// Values are the rest of the line; a control character or '%' in them is
// written as %XX.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace canalarm {

struct BackupRecord {
  std::string time;       // UTC, "20261208T223015.123Z"
  std::string port;       // "COM1" or a device path
  std::string device;     // what the port led to; may be empty
  std::string operation;  // "upload", "params-write", "params-restore"
  // The identity bytes as the version read shows them, reply byte 2 first.
  std::optional<std::array<std::uint8_t, 2>> identity;
  std::array<std::uint8_t, 16> version{};  // EEPROM 0xF0..0xFF
  std::string file;        // the firmware file, or the backup restored from
  std::string fileSha256;  // of the firmware file's bytes; empty for none
  std::array<std::uint8_t, 256> eeprom{};
  std::string outcome;  // empty while the operation runs, or when it never ended
};

class BackupFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's text without the outcome line (an empty outcome writes none).
std::string FormatBackup(const BackupRecord& record);
// The line that records the outcome, added at the end of the file.
std::string FormatOutcomeLine(std::string_view outcome);
// Throws BackupFormatError for anything but a complete, well-formed backup.
BackupRecord ParseBackup(std::string_view text);

// "1A:43", as the version read shows the identity.
std::string IdentityText(const std::array<std::uint8_t, 2>& identity);

}  // namespace canalarm

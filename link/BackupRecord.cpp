// SPDX-License-Identifier: MIT
#include "link/BackupRecord.h"

#include <cstdio>
#include <set>
#include <span>

namespace canalarm {

namespace {

constexpr std::string_view kMagic = "canalarm-backup 1";
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    text.push_back(kHexDigits[b >> 4]);
    text.push_back(kHexDigits[b & 0xF]);
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

template <std::size_t N>
std::array<std::uint8_t, N> ParseHex(std::string_view key, std::string_view text) {
  if (text.size() != 2 * N) throw BackupFormatError(std::string(key) + ": not " + std::to_string(N) + " bytes");
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) throw BackupFormatError(std::string(key) + ": not hexadecimal");
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return bytes;
}

// Keeps every value on its line: control characters and the escape itself
// become %XX.
std::string Escape(std::string_view value) {
  std::string text;
  for (char c : value) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '%') {
      text.push_back('%');
      text.push_back(kHexDigits[b >> 4]);
      text.push_back(kHexDigits[b & 0xF]);
    } else {
      text.push_back(c);
    }
  }
  return text;
}

std::string Unescape(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      text.push_back(value[i]);
      continue;
    }
    if (i + 2 >= value.size()) throw BackupFormatError("a cut escape");
    const int high = HexValue(value[i + 1]);
    const int low = HexValue(value[i + 2]);
    if (high < 0 || low < 0) throw BackupFormatError("a bad escape");
    text.push_back(static_cast<char>(high << 4 | low));
    i += 2;
  }
  return text;
}

}  // namespace

std::string IdentityText(const std::array<std::uint8_t, 2>& identity) {
  return Hex(std::span(identity).first(1)) + ":" + Hex(std::span(identity).last(1));
}

std::string FormatBackup(const BackupRecord& record) {
  std::string text = std::string(kMagic) + "\n";
  const auto line = [&text](std::string_view key, std::string_view value) {
    text += std::string(key) + " " + Escape(value) + "\n";
  };
  line("time", record.time);
  line("port", record.port);
  line("device", record.device);
  line("operation", record.operation);
  line("identity", record.identity ? IdentityText(*record.identity) : "none");
  line("version", Hex(record.version));
  line("file", record.file);
  line("sha256", record.fileSha256);
  line("eeprom", Hex(record.eeprom));
  if (!record.outcome.empty()) text += FormatOutcomeLine(record.outcome);
  return text;
}

std::string FormatOutcomeLine(std::string_view outcome) { return "outcome " + Escape(outcome) + "\n"; }

BackupRecord ParseBackup(std::string_view text) {
  if (text.substr(0, kMagic.size() + 1) != std::string(kMagic) + "\n")
    throw BackupFormatError("not a canalarm backup");
  text.remove_prefix(kMagic.size() + 1);
  BackupRecord record;
  std::set<std::string, std::less<>> seen;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) throw BackupFormatError("the last line is cut off");
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) throw BackupFormatError("a line without a value");
    const std::string_view key = line.substr(0, space);
    const std::string value = Unescape(line.substr(space + 1));
    if (!seen.emplace(key).second) throw BackupFormatError(std::string(key) + " given twice");
    if (key == "time") {
      record.time = value;
    } else if (key == "port") {
      record.port = value;
    } else if (key == "device") {
      record.device = value;
    } else if (key == "operation") {
      record.operation = value;
    } else if (key == "identity") {
      if (value != "none") {
        if (value.size() != 5 || value[2] != ':') throw BackupFormatError("identity: not XX:YY");
        const auto bytes = ParseHex<2>(key, value.substr(0, 2) + value.substr(3));
        record.identity = bytes;
      }
    } else if (key == "version") {
      record.version = ParseHex<16>(key, value);
    } else if (key == "file") {
      record.file = value;
    } else if (key == "sha256") {
      record.fileSha256 = value;
    } else if (key == "eeprom") {
      record.eeprom = ParseHex<256>(key, value);
    } else if (key == "outcome") {
      record.outcome = value;
    } else {
      throw BackupFormatError("unknown line " + std::string(key));
    }
  }
  for (std::string_view needed : {"time", "port", "operation", "version", "eeprom"})
    if (seen.find(needed) == seen.end()) throw BackupFormatError(std::string(needed) + " missing");
  return record;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "firmware/HexRecordReader.h"
#include "firmware/PlainLineReader.h"
#include "firmware/TextLineReader.h"

namespace canalarm::fuzz {

LoadSummary LoadText(std::string_view text, bool decode, FirmwareImages& images) {
  images.Erase();
  images.highestFlash = -1;
  images.highestEeprom = -1;
  TextLineReader reader(text);
  HexReadState state;
  LoadSummary summary;
  int last = kRecordAccepted;
  summary.lastResult = last;
  while (!reader.AtEnd() && last == kRecordAccepted) {
    last = ReadHexRecord(reader, decode, state, images);
    ++summary.records;
    summary.lastResult = last;
  }
  return summary;
}

std::vector<std::string> HelpOfText(std::string_view text, bool decode) {
  std::vector<std::string> help;
  for (const std::string& line : PlainLinesOf(text, decode))
    if (!line.empty() && line[0] == ';') help.push_back(line.substr(1));
  return help;
}

std::vector<std::string> PlainLinesOf(std::string_view text, bool decode) {
  TextLineReader reader(text);
  std::vector<std::string> lines;
  std::int32_t counter = 0;
  while (!reader.AtEnd()) lines.push_back(ReadPlainLine(reader, decode, counter));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
  }
  return text;
}

bool SameImages(const FirmwareImages& a, const FirmwareImages& b) {
  return a.flash == b.flash && a.eeprom == b.eeprom && a.config == b.config &&
         a.highestFlash == b.highestFlash && a.highestEeprom == b.highestEeprom;
}

bool HighestInRange(const FirmwareImages& images) {
  return images.highestFlash >= -1 && images.highestFlash < static_cast<int>(kFlashSize) &&
         images.highestEeprom >= -1 && images.highestEeprom < static_cast<int>(kEepromSize);
}

ScratchFile::ScratchFile() {
  const std::filesystem::path dir = std::filesystem::exists("/dev/shm")
                                        ? std::filesystem::path("/dev/shm")
                                        : std::filesystem::temp_directory_path();
  path_ = (dir / ("canalarm-fuzz-" + std::to_string(::getpid()) + ".txt")).string();
}

ScratchFile::~ScratchFile() { std::remove(path_.c_str()); }

void ScratchFile::Write(std::string_view bytes) {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Require(static_cast<bool>(out), "scratch file written");
}

}  // namespace canalarm::fuzz

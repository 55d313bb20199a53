// SPDX-License-Identifier: MIT
#include "firmware/HelpText.h"

#include "firmware/PlainLineReader.h"
#include "firmware/FileName.h"
#include "firmware/TextLineReader.h"

namespace canalarm {

std::optional<std::vector<std::string>> ReadHelpLines(const std::string& fileName, bool decode) {
  auto file = TextLineReader::OpenFile(PathFromUtf8(fileName));
  if (!file) return std::nullopt;
  std::vector<std::string> help;
  std::int32_t recordCounter = 0;
  while (!file->AtEnd()) {
    std::string line = ReadPlainLine(*file, decode, recordCounter);
    if (!line.empty() && line[0] == ';') help.push_back(line.substr(1));
  }
  return help;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "firmware/FirmwareLoad.h"

#include "firmware/HexRecordReader.h"
#include "firmware/FileName.h"
#include "firmware/TextLineReader.h"

namespace canalarm {

LoadResult LoadFirmware(const std::string& fileName, bool decode, FirmwareImages& images) {
  LoadResult result;
  if (fileName.empty()) return result;

  images.Erase();
  auto file = TextLineReader::OpenFile(PathFromUtf8(fileName));
  if (!file) {
    result.outcome = LoadOutcome::CannotOpen;
    return result;
  }

  images.highestFlash = -1;
  images.highestEeprom = -1;
  HexReadState state;
  int last = kRecordAccepted;
  result.lastResult = last;  // an empty file ends with this, not with the end record
  while (!file->AtEnd() && last == kRecordAccepted) {
    last = ReadHexRecord(*file, decode, state, images);
    ++result.records;
    result.lastResult = last;
  }
  result.outcome = last == kRecordEnd ? LoadOutcome::Loaded : LoadOutcome::Failed;
  return result;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The firmware load of plain HEX text. The real file load and the in-memory
// read must agree, and the same lines record-encoded must load to the same
// images with the same results.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "firmware/FirmwareLoad.h"
#include "firmware/RecordEncoder.h"

using namespace canalarm;
using namespace canalarm::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile file;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  static FirmwareImages fromMemory;
  const LoadSummary memory = LoadText(text, false, fromMemory);
  Require(HighestInRange(fromMemory), "highest values inside the images");

  file.Write(text);
  static FirmwareImages fromFile;
  const LoadResult loaded = LoadFirmware(file.Path(), false, fromFile);
  Require(loaded.outcome == (memory.lastResult == 3 ? LoadOutcome::Loaded : LoadOutcome::Failed),
          "outcome follows the last record");
  Require(loaded.lastResult == memory.lastResult && loaded.records == memory.records,
          "file and memory reads agree");
  Require(SameImages(fromFile, fromMemory), "file and memory images agree");

  std::string encoded;
  try {
    encoded = EncodeRecordText(PlainLinesOf(text, false));
  } catch (const EncodeError&) {
    return 0;  // a line that record encoding can't carry
  }
  static FirmwareImages fromEncoded;
  const LoadSummary decoded = LoadText(encoded, true, fromEncoded);
  Require(decoded == memory, "record-encoded load gives the plain results");
  Require(SameImages(fromEncoded, fromMemory), "record-encoded load gives the plain images");
  return 0;
}

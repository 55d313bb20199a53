// SPDX-License-Identifier: MIT
// The firmware load of record-encoded text as it comes (any bytes). The real
// file load and the in-memory read must agree; when the deciphered lines hold
// no line-end bytes, loading them as plain text must give the same images.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "firmware/FirmwareLoad.h"

using namespace canalarm;
using namespace canalarm::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile file;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  static FirmwareImages fromMemory;
  const LoadSummary memory = LoadText(text, true, fromMemory);
  Require(HighestInRange(fromMemory), "highest values inside the images");

  file.Write(text);
  static FirmwareImages fromFile;
  const LoadResult loaded = LoadFirmware(file.Path(), true, fromFile);
  Require(loaded.lastResult == memory.lastResult && loaded.records == memory.records,
          "file and memory reads agree");
  Require(SameImages(fromFile, fromMemory), "file and memory images agree");

  const std::vector<std::string> plain = PlainLinesOf(text, true);
  const bool carriable = std::all_of(plain.begin(), plain.end(), [](const std::string& line) {
    return line.find_first_of(std::string_view("\n\r\x1a", 3)) == std::string::npos;
  });
  if (!carriable) return 0;
  static FirmwareImages fromPlain;
  const LoadSummary asPlain = LoadText(JoinLines(plain), false, fromPlain);
  Require(asPlain == memory, "deciphered lines load to the same results");
  Require(SameImages(fromPlain, fromMemory), "deciphered lines load to the same images");
  return 0;
}

// SPDX-License-Identifier: MIT
// The help reading, plain and record-encoded: the file read and the
// in-memory read agree, and plain lines record-encoded give the same help.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "firmware/HelpText.h"
#include "firmware/RecordEncoder.h"

using namespace canalarm;
using namespace canalarm::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile file;
  if (size == 0) return 0;
  const bool decode = (data[0] & 1) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  file.Write(text);
  const auto fromFile = ReadHelpLines(file.Path(), decode);
  Require(fromFile.has_value(), "a written file opens");
  const std::vector<std::string> fromMemory = HelpOfText(text, decode);
  Require(*fromFile == fromMemory, "file and memory help agree");
  for (const std::string& line : fromMemory)
    Require(line.find('\n') == std::string::npos || decode, "a plain help line holds no LF");

  if (decode) return 0;
  std::string encoded;
  try {
    encoded = EncodeRecordText(PlainLinesOf(text, false));
  } catch (const EncodeError&) {
    return 0;
  }
  Require(HelpOfText(encoded, true) == fromMemory, "record-encoded help is the plain help");
  return 0;
}

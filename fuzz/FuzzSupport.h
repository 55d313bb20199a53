// SPDX-License-Identifier: MIT
// Helpers shared by the fuzz targets: in-memory firmware reads that follow
// the file reads step by step, a scratch file for the real file path, and a
// check that stops the run with a message when a property fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareImages.h"

namespace canalarm::fuzz {

// Stops the fuzzer (libFuzzer records the input as a crash) when `holds` is false.
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

struct LoadSummary {
  int lastResult = -1;
  std::int32_t records = 0;
  bool operator==(const LoadSummary&) const = default;
};

// The firmware load of `text` held in memory, record by record as
// LoadFirmware reads a file.
LoadSummary LoadText(std::string_view text, bool decode, FirmwareImages& images);

// The help lines of `text` held in memory, as ReadHelpLines reads a file.
std::vector<std::string> HelpOfText(std::string_view text, bool decode);

// The plain lines of `text` (decoded pair by pair when `decode` is true).
std::vector<std::string> PlainLinesOf(std::string_view text, bool decode);

// Lines joined with LF, each one ended.
std::string JoinLines(const std::vector<std::string>& lines);

// The images agree byte for byte and in their highest values.
bool SameImages(const FirmwareImages& a, const FirmwareImages& b);

// The highest values lie inside their images (or are -1).
bool HighestInRange(const FirmwareImages& images);

// A file of this process for the real file reads; rewritten per input.
class ScratchFile {
 public:
  ScratchFile();
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& Path() const { return path_; }
  void Write(std::string_view bytes);

 private:
  std::string path_;
};

}  // namespace canalarm::fuzz

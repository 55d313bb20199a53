// SPDX-License-Identifier: MIT
// The transcript: one line per event of the conversation, stamped with the
// seconds since the emulator started (or, on request, since the epoch of the
// system's monotonic clock, to the microsecond), flushed at once so that a
// test or a person can follow it live.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "emu/WireProtocol.h"

namespace canalarm::emu {

class Transcript {
 public:
  // Writes to the file `target` (created afresh), or to stderr for "-".
  // Throws std::runtime_error when the file can't be created.
  Transcript(const std::string& target, TimePoint start, bool monotonic = false);
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  void Write(TimePoint at, std::string_view line);

 private:
  std::FILE* file_ = nullptr;
  bool own_ = false;
  TimePoint start_;
  bool monotonic_;
};

}  // namespace canalarm::emu

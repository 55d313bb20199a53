// SPDX-License-Identifier: MIT
// The trace: a wrapping record of the bytes the component moved, kept in
// memory and written to a text file on request.
//
// Each entry is a kind ('R' a byte taken by ReadByte, 'T' a byte queued by
// WriteByte) and the byte. When the buffer is full the oldest entries are
// overwritten. Not thread-safe: the dispatcher records under its line lock.
// Nothing here blocks except the file write of a dump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "serial/SerlTypes.h"

namespace canalarm::serl {

inline constexpr std::uint32_t kMaxTraceSize = 4000000;

struct TSerlTraceEntry {
  char kind = 0;
  std::uint8_t byte = 0;
};

class TSerlTrace {
 public:
  struct Settings {
    std::uint32_t size = 10000;
    std::string fileName = "SERL.TRC";
    bool hex = true;
    bool allHex = false;
  };

  // Applies a new state as the component's Tracing property asks. Returns 0,
  // or the negated I/O error of a dump whose file could not be written (the
  // buffer is freed and tracing is off either way).
  int Apply(TTraceLogState value, const Settings& settings);
  // A new TraceSize: restarts a running trace empty, ends a paused one.
  void Resize(const Settings& settings);

  TTraceLogState State() const noexcept { return state_; }
  bool Recording() const noexcept { return state_ == TTraceLogState::tlOn; }
  void Add(char kind, std::uint8_t byte) noexcept;

  // Entries from the oldest to the newest.
  std::vector<TSerlTraceEntry> Entries() const;
  // The text of the trace file for these entries.
  static std::string Render(const std::vector<TSerlTraceEntry>& entries, bool hex, bool allHex);

 private:
  int Dump(const Settings& settings, bool append);
  void Start(std::uint32_t size);
  void Stop();

  TTraceLogState state_ = TTraceLogState::tlOff;
  std::vector<TSerlTraceEntry> buffer_;
  std::size_t next_ = 0;
  bool wrapped_ = false;
};

// Negated I/O error for an errno of a failed file operation.
int FileErrorCode(int err) noexcept;

}  // namespace canalarm::serl

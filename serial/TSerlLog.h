// SPDX-License-Identifier: MIT
// The log: a bounded in-memory record of the dispatcher's own events (device
// reads and writes, queued output, purges, line changes), each stamped with
// the milliseconds since the port opened, written to a text file on request.
//
// The buffer holds at most LogSize bytes, counting 16 bytes per event plus the
// bytes it carries; the oldest events go first. States follow the trace
// (TSerlTrace). Not thread-safe: the dispatcher records under its line lock.
// File layout, one line per event: seconds since open, event, its detail (a
// byte count, speed or code), then the bytes (printable ones as characters):
//   "      1.23 s  Read             3  A B 01"
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "serial/SerlTypes.h"

namespace canalarm::serl {

inline constexpr std::uint32_t kMaxLogSize = 16000000;

enum class TLogEvent : std::uint8_t { DeviceRead, DeviceWrite, QueueOutput, Purge, SetLine, WriteAborted };

class TSerlLog {
 public:
  struct Settings {
    std::uint32_t size = 10000;
    std::string fileName = "SERL.LOG";
    bool hex = true;
    bool allHex = false;
  };

  // As TSerlTrace::Apply, for the Logging property.
  int Apply(TTraceLogState value, const Settings& settings);
  void Resize(const Settings& settings);
  TTraceLogState State() const noexcept { return state_; }
  bool Recording() const noexcept { return state_ == TTraceLogState::tlOn; }

  void Add(std::uint32_t elapsedMs, TLogEvent event, std::int32_t detail,
           std::span<const std::uint8_t> bytes = {});
  std::string Render(bool hex, bool allHex) const;

 private:
  struct Record {
    std::uint32_t elapsedMs;
    TLogEvent event;
    std::int32_t detail;
    std::vector<std::uint8_t> bytes;
  };
  static constexpr std::size_t kRecordBytes = 16;

  void Start(std::uint32_t size);
  void Stop();
  int Dump(const Settings& settings, bool append);

  TTraceLogState state_ = TTraceLogState::tlOff;
  std::deque<Record> records_;
  std::size_t used_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// The state rules that the trace and the log share: how the Tracing and
// Logging properties switch recording on, off, into a pause, dump it to its
// file, clear it, or restart it at a new size.
#pragma once

#include <cstdint>

#include "serial/SerlTypes.h"

namespace canalarm::serl {

// Applies `value` to a recording in `state`. The recorder's own steps are
// passed in: start(size) and stop() set `state` themselves, clear() empties
// a running recording, dump(append) writes it and returns 0 or a negated
// I/O error, which is returned.
template <class Start, class Stop, class Clear, class Dump>
int ApplyRecordingState(TTraceLogState& state, TTraceLogState value, std::uint32_t size,
                        Start start, Stop stop, Clear clear, Dump dump) {
  const bool active = state == TTraceLogState::tlOn || state == TTraceLogState::tlPause;
  switch (value) {
    case TTraceLogState::tlOff:
      if (active) stop();
      return 0;
    case TTraceLogState::tlOn:
      if (state == TTraceLogState::tlPause) {
        state = TTraceLogState::tlOn;
      } else {
        start(size);
      }
      return 0;
    case TTraceLogState::tlDump:
    case TTraceLogState::tlAppend:
      return active ? dump(value == TTraceLogState::tlAppend) : 0;
    case TTraceLogState::tlClear:
      if (active) clear();
      return 0;
    case TTraceLogState::tlPause:
      if (state == TTraceLogState::tlOn) state = TTraceLogState::tlPause;
      return 0;
  }
  return 0;
}

// A new size: a running recording restarts empty, a paused one ends.
template <class Start, class Stop>
void ResizeRecording(TTraceLogState state, std::uint32_t size, Start start, Stop stop) {
  if (state == TTraceLogState::tlOn) {
    start(size);
  } else if (state == TTraceLogState::tlPause) {
    stop();
  }
}

}  // namespace canalarm::serl

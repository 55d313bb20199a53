// SPDX-License-Identifier: MIT
// The time bytes take on a serial wire: 10 bit-times each (start bit, eight
// data bits, stop bit), one after another in each direction. A pseudo-terminal
// hands bytes over at once; the pacer tells when each would have arrived or
// left on a real line.
#pragma once

#include "emu/WireProtocol.h"

namespace canalarm::emu {

class WirePacer {
 public:
  // The time of one byte at `bitsPerSecond`; zero for 0 (no wire simulated).
  static Clock::duration ByteTime(int bitsPerSecond);

  // A byte read from the pseudo-terminal at `now`: when its stop bit would
  // have arrived, behind the bytes before it.
  TimePoint Arrival(TimePoint now, Clock::duration byteTime);

  // A byte that may leave from `notBefore` on: when its stop bit would have
  // left, behind the bytes before it. That is when it is handed over.
  TimePoint Departure(TimePoint notBefore, Clock::duration byteTime);

 private:
  TimePoint lastIn_{};
  TimePoint lastOut_{};
};

}  // namespace canalarm::emu

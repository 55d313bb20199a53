// SPDX-License-Identifier: MIT
#include "emu/WirePacer.h"

#include <algorithm>

namespace canalarm::emu {

Clock::duration WirePacer::ByteTime(int bitsPerSecond) {
  if (bitsPerSecond <= 0) return Clock::duration::zero();
  using namespace std::chrono;
  return duration_cast<Clock::duration>(nanoseconds(10LL * 1'000'000'000 / bitsPerSecond));
}

TimePoint WirePacer::Arrival(TimePoint now, Clock::duration byteTime) {
  lastIn_ = std::max(now, lastIn_) + byteTime;
  return lastIn_;
}

TimePoint WirePacer::Departure(TimePoint notBefore, Clock::duration byteTime) {
  lastOut_ = std::max(notBefore, lastOut_) + byteTime;
  return lastOut_;
}

}  // namespace canalarm::emu

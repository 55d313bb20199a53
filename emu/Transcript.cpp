// SPDX-License-Identifier: MIT
#include "emu/Transcript.h"

#include <stdexcept>

namespace canalarm::emu {

Transcript::Transcript(const std::string& target, TimePoint start, bool monotonic)
    : start_(monotonic ? TimePoint{} : start), monotonic_(monotonic) {
  if (target == "-") {
    file_ = stderr;
    return;
  }
  file_ = std::fopen(target.c_str(), "w");
  if (file_ == nullptr) throw std::runtime_error("cannot create the transcript " + target);
  own_ = true;
}

Transcript::~Transcript() {
  if (own_) std::fclose(file_);
}

void Transcript::Write(TimePoint at, std::string_view line) {
  const double seconds = std::chrono::duration<double>(at - start_).count();
  std::fprintf(file_, monotonic_ ? "%.6f  %.*s\n" : "%10.3f  %.*s\n", seconds,
               static_cast<int>(line.size()), line.data());
  std::fflush(file_);
}

}  // namespace canalarm::emu

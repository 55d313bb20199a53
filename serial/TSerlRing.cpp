// SPDX-License-Identifier: MIT
#include "serial/TSerlRing.h"

namespace canalarm::serl {

void TSerlRing::Allocate(int size) {
  data_.assign(static_cast<std::size_t>(size), 0);
  Clear();
}

void TSerlRing::Free() {
  data_.clear();
  data_.shrink_to_fit();
  Clear();
}

int TSerlRing::Count() const noexcept {
  if (full) return Size();
  if (readPos < writePos) return writePos - readPos;
  if (writePos < readPos) return Size() + writePos - readPos;
  return 0;
}

}  // namespace canalarm::serl

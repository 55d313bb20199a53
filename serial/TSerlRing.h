// SPDX-License-Identifier: MIT
// A byte ring with a read position, a write position and a full flag: equal
// positions mean empty unless the flag is set. The dispatcher's read step and
// output loop work on the positions directly; the helpers here are the
// counting rules they share. Not thread-safe: the owner's lock guards it.
#pragma once

#include <cstdint>
#include <vector>

namespace canalarm::serl {

class TSerlRing {
 public:
  TSerlRing() = default;

  // Allocates size zero-filled bytes and empties the ring.
  void Allocate(int size);
  void Free();
  bool Allocated() const noexcept { return !data_.empty(); }

  int Size() const noexcept { return static_cast<int>(data_.size()); }
  // Bytes held: the size when full, write - read, or size + write - read.
  int Count() const noexcept;
  int FreeSpace() const noexcept { return Size() - Count(); }
  bool Empty() const noexcept { return !full && readPos == writePos; }
  void Clear() noexcept { readPos = writePos = 0; full = false; }

  std::uint8_t* Data() noexcept { return data_.data(); }
  const std::uint8_t* Data() const noexcept { return data_.data(); }

  int readPos = 0;
  int writePos = 0;
  bool full = false;

 private:
  std::vector<std::uint8_t> data_;
};

}  // namespace canalarm::serl

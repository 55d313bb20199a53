// SPDX-License-Identifier: MIT
// The process-wide list of live dispatchers. A dispatcher's handle is its slot
// index; a new one takes the first empty slot or is appended, and a leaving one
// empties its slot (trailing empty slots are dropped). One global lock guards
// the list; no call blocks beyond that lock.
#pragma once

namespace canalarm::serl {

class TSerlBaseDispatcher;

class TSerlPortRegistry {
 public:
  static int Enter(TSerlBaseDispatcher* dispatcher);
  static void Leave(int handle);
  // The dispatcher with that handle, or nullptr.
  static TSerlBaseDispatcher* Find(int handle);
  static int Count();
};

}  // namespace canalarm::serl

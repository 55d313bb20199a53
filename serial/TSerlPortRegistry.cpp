// SPDX-License-Identifier: MIT
#include "serial/TSerlPortRegistry.h"

#include <mutex>
#include <vector>

namespace canalarm::serl {

namespace {

struct Registry {
  std::recursive_mutex lock;
  std::vector<TSerlBaseDispatcher*> slots;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

int TSerlPortRegistry::Enter(TSerlBaseDispatcher* dispatcher) {
  auto& r = TheRegistry();
  std::lock_guard guard(r.lock);
  for (std::size_t i = 0; i < r.slots.size(); ++i) {
    if (r.slots[i] == nullptr) {
      r.slots[i] = dispatcher;
      return static_cast<int>(i);
    }
  }
  r.slots.push_back(dispatcher);
  return static_cast<int>(r.slots.size() - 1);
}

void TSerlPortRegistry::Leave(int handle) {
  auto& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (handle < 0 || static_cast<std::size_t>(handle) >= r.slots.size()) return;
  r.slots[static_cast<std::size_t>(handle)] = nullptr;
  while (!r.slots.empty() && r.slots.back() == nullptr) r.slots.pop_back();
}

TSerlBaseDispatcher* TSerlPortRegistry::Find(int handle) {
  auto& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (handle < 0 || static_cast<std::size_t>(handle) >= r.slots.size()) return nullptr;
  return r.slots[static_cast<std::size_t>(handle)];
}

int TSerlPortRegistry::Count() {
  auto& r = TheRegistry();
  std::lock_guard guard(r.lock);
  int n = 0;
  for (auto* d : r.slots) n += d != nullptr;
  return n;
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// TSerlNotifier on a manual-reset Win32 event, set while a message is
// pending. There is no descriptor: Descriptor() is -1 and a host's loop
// waits for NativeHandle() instead.
#include "serial/TSerlNotifier.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <system_error>

namespace canalarm::serl {

namespace {
HANDLE Handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

TSerlNotifier::TSerlNotifier() {
  HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateEvent");
  }
  handle_ = reinterpret_cast<std::intptr_t>(event);
}

TSerlNotifier::~TSerlNotifier() { ::CloseHandle(Handle(handle_)); }

void TSerlNotifier::Post(std::uint32_t messageBits) noexcept {
  if ((pending_.fetch_or(messageBits) & messageBits) == messageBits) return;
  ::SetEvent(Handle(handle_));
}

std::uint32_t TSerlNotifier::Take() noexcept {
  // Reset first: a post after the exchange sets the event again.
  ::ResetEvent(Handle(handle_));
  return pending_.exchange(0);
}

bool TSerlNotifier::Wait(int timeoutMs) const noexcept {
  ::WaitForSingleObject(Handle(handle_), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
  return pending_.load() != 0;
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// TSerlEvent on a Win32 event object; NativeHandle() is the HANDLE, so that
// WaitForMultipleObjects can wait for it together with an I/O completion.
#include "serial/TSerlEvent.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <system_error>

namespace canalarm::serl {

namespace {

HANDLE Handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

DWORD Timeout(int timeoutMs) { return timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs); }

}  // namespace

TSerlEvent::TSerlEvent(Kind kind) : kind_(kind) {
  HANDLE event = ::CreateEventA(nullptr, kind == Kind::ManualReset, FALSE, nullptr);
  if (event == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateEvent");
  }
  handle_ = reinterpret_cast<std::intptr_t>(event);
}

TSerlEvent::~TSerlEvent() { ::CloseHandle(Handle(handle_)); }

void TSerlEvent::Set() noexcept { ::SetEvent(Handle(handle_)); }

void TSerlEvent::Reset() noexcept { ::ResetEvent(Handle(handle_)); }

bool TSerlEvent::TryConsume() noexcept {
  // A zero-time wait consumes an auto-reset event's signal, and only looks
  // at a manual-reset one.
  return ::WaitForSingleObject(Handle(handle_), 0) == WAIT_OBJECT_0;
}

bool TSerlEvent::Wait(int timeoutMs) noexcept {
  return ::WaitForSingleObject(Handle(handle_), Timeout(timeoutMs)) == WAIT_OBJECT_0;
}

int TSerlEvent::WaitAny(TSerlEvent& a, TSerlEvent& b, int timeoutMs) noexcept {
  const HANDLE pair[2] = {Handle(a.handle_), Handle(b.handle_)};
  switch (::WaitForMultipleObjects(2, pair, FALSE, Timeout(timeoutMs))) {
    case WAIT_OBJECT_0: return 0;
    case WAIT_OBJECT_0 + 1: return 1;
    default: return -1;
  }
}

}  // namespace canalarm::serl

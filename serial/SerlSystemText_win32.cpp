// SPDX-License-Identifier: MIT
// System error texts on Windows: the system's own message table, in the
// user's language. Our permission code is not a Win32 number (Windows folds
// it into "access denied"), so it keeps its own text.
#include "serial/SerlSystemText.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "serial/SerlErrors.h"

namespace canalarm::serl {

std::string SystemErrorText(std::uint32_t number) {
  if (number == static_cast<std::uint32_t>(sysPermissionDenied)) {
    return "Permission denied: this user may not open the serial port.";
  }
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, number, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length > 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) ::LocalFree(text);
  return result;
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
#include "firmware/FileName.h"

namespace canalarm {

std::filesystem::path PathFromUtf8(std::string_view name) {
  // A char8_t source is taken as UTF-8 on every platform (a char one as the
  // ANSI code page on Windows).
  try {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
  } catch (const std::exception&) {
    return std::filesystem::path(std::string(name));  // not UTF-8: the bytes as they are
  }
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  try {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
  } catch (const std::exception&) {
    return "?";  // a Windows name with a lone surrogate has no UTF-8 form
  }
}

}  // namespace canalarm

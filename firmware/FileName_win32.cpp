// SPDX-License-Identifier: MIT
#include <cstdio>
#include <string>

#include "firmware/FileName.h"

namespace canalarm {

std::FILE* OpenCFile(const std::filesystem::path& path, const char* mode) {
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));  // ASCII
  return _wfopen(path.c_str(), wideMode.c_str());
}

}  // namespace canalarm

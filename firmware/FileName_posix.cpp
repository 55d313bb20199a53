// SPDX-License-Identifier: MIT
#include "firmware/FileName.h"

namespace canalarm {

std::FILE* OpenCFile(const std::filesystem::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "cli/FileOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace canalarm::cli {

std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
  if (!file) return "cannot create " + temporary.string() + ": " + std::strerror(errno);
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot write " + temporary.string() + ": " + std::strerror(writeError);
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot write " + path.string() + ": " + ec.message();
  }
  return {};
}

}  // namespace canalarm::cli

// SPDX-License-Identifier: MIT
#include "cli/FileOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "firmware/FileName.h"

namespace canalarm::cli {

std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  std::FILE* file = OpenCFile(temporary, "wb");
  if (!file) return "cannot create " + Utf8FromPath(temporary) + ": " + std::strerror(errno);
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot write " + Utf8FromPath(temporary) + ": " + std::strerror(writeError);
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot write " + Utf8FromPath(path) + ": " + ec.message();
  }
  return {};
}

}  // namespace canalarm::cli

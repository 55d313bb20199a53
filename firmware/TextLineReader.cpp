// SPDX-License-Identifier: MIT
#include "firmware/TextLineReader.h"

#include "firmware/FileName.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace canalarm {

namespace {
constexpr std::size_t kChunkSize = 64 * 1024;
constexpr char kEndOfText = 0x1A;
}  // namespace

std::optional<TextLineReader> TextLineReader::OpenFile(const std::filesystem::path& path) {
  std::error_code ec;
  // fopen() happily opens a directory on POSIX and only the first read fails;
  // treat it as a file that can't be opened, as on Windows.
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::unique_ptr<std::FILE, FileCloser> file(OpenCFile(path, "rb"));
  if (!file) return std::nullopt;
  return TextLineReader(std::move(file), Utf8FromPath(path));
}

TextLineReader::TextLineReader(std::string_view text) : memory_(text) {}

TextLineReader::TextLineReader(std::unique_ptr<std::FILE, FileCloser> file, std::string name)
    : file_(std::move(file)), name_(std::move(name)) {}

bool TextLineReader::Fill() {
  if (position_ < buffer_.size()) return true;
  buffer_.clear();
  position_ = 0;
  if (!file_) {
    if (memory_.empty()) return false;
    const std::size_t n = std::min(memory_.size(), kChunkSize);
    buffer_.assign(memory_.begin(), memory_.begin() + static_cast<std::ptrdiff_t>(n));
    memory_.remove_prefix(n);
    return true;
  }
  buffer_.resize(kChunkSize);
  const std::size_t n = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
  buffer_.resize(n);
  if (n == 0 && std::ferror(file_.get())) {
    const int error = errno;
    throw FileInputError("Error reading " + name_ + ": " + std::strerror(error));
  }
  return n > 0;
}

bool TextLineReader::AtEnd() {
  if (endOfText_) return true;
  if (!Fill() || buffer_[position_] == kEndOfText) endOfText_ = true;
  return endOfText_;
}

std::string TextLineReader::ReadLine() {
  // A CR is dropped wherever it stands: before LF it is part of the line end,
  // anywhere else it is a lone CR. Either way it never reaches the line.
  std::string line;
  while (!AtEnd()) {
    const char* begin = buffer_.data() + position_;
    const char* end = buffer_.data() + buffer_.size();
    const char* stop = begin;
    while (stop != end && *stop != '\n' && *stop != '\r' && *stop != kEndOfText) ++stop;
    line.append(begin, stop);
    position_ += static_cast<std::size_t>(stop - begin);
    if (stop == end) continue;
    if (*stop == kEndOfText) {
      endOfText_ = true;
      break;
    }
    ++position_;
    if (*stop == '\n') break;
  }
  return line;
}

}  // namespace canalarm

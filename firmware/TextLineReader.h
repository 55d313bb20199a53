// SPDX-License-Identifier: MIT
// Reads a firmware file as text lines, the way every reader of such files
// must see them.
//
// A line ends at LF or at CR LF; a CR that is not followed by LF is dropped;
// a byte 0x1A ends the text (nothing after it is ever returned). Lines have no
// length limit and are returned as raw bytes, without their line end.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace canalarm {

// A read from an opened file failed (not the end of the file).
class FileInputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TextLineReader {
 public:
  // Opens a file for reading. Returns nothing when it can't be opened; a
  // directory counts as a file that can't be opened.
  static std::optional<TextLineReader> OpenFile(const std::filesystem::path& path);

  // Reads lines from bytes held in memory (the bytes must outlive the reader).
  explicit TextLineReader(std::string_view text);

  TextLineReader(TextLineReader&&) noexcept = default;
  TextLineReader& operator=(TextLineReader&&) noexcept = default;

  // True when no more text follows: the end of the data or a byte 0x1A.
  // Throws FileInputError when reading the file fails.
  bool AtEnd();

  // The next line without its line end; an empty string at the end of text.
  // Throws FileInputError when reading the file fails.
  std::string ReadLine();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  TextLineReader(std::unique_ptr<std::FILE, FileCloser> file, std::string name);

  // Makes at least one unread byte available; false at the end of the data.
  bool Fill();

  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string name_;           // for error messages
  std::string_view memory_;    // the unread rest when reading from memory
  std::vector<char> buffer_;   // file bytes read ahead
  std::size_t position_ = 0;   // next unread byte in buffer_
  bool endOfText_ = false;     // 0x1A seen or data exhausted
};

}  // namespace canalarm

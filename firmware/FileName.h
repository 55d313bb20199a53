// SPDX-License-Identifier: MIT
// File names cross the core as UTF-8 strings: the command line's arguments
// and the window's names are converted to UTF-8 where they enter, and turned
// into paths here. On Windows a narrow name would go through the ANSI code
// page, where a name such as "Łódź-прошивка.hexfw" does not fit; a path made
// from UTF-8 is a wide name there. On POSIX the bytes pass as they are.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace canalarm {

// The path a UTF-8 file name names. A name that is not UTF-8 (possible on
// POSIX only, where it is used as it is) never throws.
std::filesystem::path PathFromUtf8(std::string_view name);

// A path's name in UTF-8, for messages.
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen() of a path by its native name (the wide name on Windows).
// Returns null when it cannot be opened, with errno set.
std::FILE* OpenCFile(const std::filesystem::path& path, const char* mode);

}  // namespace canalarm

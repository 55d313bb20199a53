// SPDX-License-Identifier: MIT
// Writing output files so that a failure never leaves half a file behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace canalarm::cli {

// Writes `content` to a temporary file beside `path` and renames it over
// `path`. Returns an empty string on success, else what went wrong.
std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace canalarm::cli

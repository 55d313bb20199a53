// SPDX-License-Identifier: MIT
// SHA-256 of a byte block, for the image digests of `canalarm info` and the backups.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace canalarm {

// Lower-case hexadecimal SHA-256 digest of `data`.
std::string Sha256Hex(std::span<const std::uint8_t> data);

// The digest of a file's bytes; empty when `path` is not a regular file that
// can be read (a folder, a missing file). Never throws for the file's sake.
// `path` is UTF-8 (firmware/FileName.h).
std::string FileSha256Hex(const std::string& path);

}  // namespace canalarm

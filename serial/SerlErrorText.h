// SPDX-License-Identifier: MIT
// Error texts of the serial layer: the text table and the message for a code.
//
// The table holds (code, text) rows sorted by the magnitude of the code, with
// unique magnitudes; a code and its negation share a row. It carries the rows
// for the groups this program can raise (0, the file and device I/O errors, the
// general, open and serial I/O groups). Codes without a row fall back to the
// operating system's text for the magnitude as a system error number.
// Everything here is pure lookup: no locks, no blocking, no exceptions other
// than std::bad_alloc from building a std::string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace canalarm::serl {

inline constexpr std::size_t kMaxErrorTextLength = 255;

struct ErrorTextRow {
  int code;
  std::string_view text;
};

// Magnitude of a code, defined for every value including INT_MIN.
constexpr std::uint32_t CodeMagnitude(int code) noexcept {
  return code < 0 ? 0u - static_cast<std::uint32_t>(code) : static_cast<std::uint32_t>(code);
}

// The whole table, sorted by magnitude, magnitudes unique.
std::span<const ErrorTextRow> ErrorTextTable() noexcept;

// Binary search of the table by magnitude. Returns the row, or nullptr.
const ErrorTextRow* FindErrorText(std::uint32_t magnitude) noexcept;

// The probe index of that search for 0 <= low <= high: the integer nearest to
// (low + high) / 2, a half going to the even neighbour.
int TableSearchMiddle(int low, int high) noexcept;

// Makes one line of a raw system text: cut to 255 characters, every character
// below 32 turned into a space, runs of spaces reduced to one space.
std::string CleanSystemText(std::string_view raw);

// Message for a code: the table text for its magnitude, else the cleaned system
// text for the magnitude, else empty. Never longer than 255 characters.
std::string ErrorMessage(int code);

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// The seven languages of the tool's texts.
//
// A language is chosen by a one-character code '0'..'6' (the code the window
// holds) or by one of the hidden radio buttons lang1..lang7. Any other code and
// the buttons lang8/lang9 name no language: choosing them changes nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace canalarm {

// Values follow the language codes: Polish is '0', Hungarian is '6'.
enum class Language : std::uint8_t {
  Polish,
  English,
  German,
  Russian,
  Slovak,
  Czech,
  Hungarian,
};

inline constexpr std::size_t kLanguageCount = 7;

inline constexpr std::array<Language, kLanguageCount> kAllLanguages{
    Language::Polish, Language::English, Language::German, Language::Russian,
    Language::Slovak, Language::Czech,   Language::Hungarian,
};

// The language code holds Polish when the program is loaded; start-up then
// applies English, so every run shows English texts.
inline constexpr Language kLanguageAtLoad = Language::Polish;
inline constexpr Language kStartupLanguage = Language::English;

// Position of the language in per-language tables.
constexpr std::size_t LanguageIndex(Language language) {
  return static_cast<std::size_t>(language);
}

constexpr char LanguageCode(Language language) {
  return static_cast<char>('0' + static_cast<int>(language));
}

// '0'..'6' give a language; every other character gives none.
constexpr std::optional<Language> LanguageFromCode(char code) {
  if (code < '0' || code >= static_cast<char>('0' + kLanguageCount)) {
    return std::nullopt;
  }
  return static_cast<Language>(code - '0');
}

// Name of the radio button that selects the language: "lang1".."lang7".
std::string_view LanguageRadioButton(Language language);

// The language of a radio button name; lang8, lang9 and unknown names give none.
std::optional<Language> LanguageFromRadioButton(std::string_view buttonName);

// Short caption of the language's radio button: "PL", "EN", ... "HU".
std::string_view LanguageAbbreviation(Language language);

}  // namespace canalarm

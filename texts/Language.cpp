// SPDX-License-Identifier: MIT
#include "texts/Language.h"

namespace canalarm {
namespace {

constexpr std::array<std::string_view, kLanguageCount> kRadioButtons{
    "lang1", "lang2", "lang3", "lang4", "lang5", "lang6", "lang7",
};

constexpr std::array<std::string_view, kLanguageCount> kAbbreviations{
    "PL", "EN", "DE", "RU", "SK", "CZ", "HU",
};

}  // namespace

std::string_view LanguageRadioButton(Language language) {
  return kRadioButtons.at(LanguageIndex(language));
}

std::optional<Language> LanguageFromRadioButton(std::string_view buttonName) {
  for (Language language : kAllLanguages) {
    if (kRadioButtons[LanguageIndex(language)] == buttonName) {
      return language;
    }
  }
  return std::nullopt;
}

std::string_view LanguageAbbreviation(Language language) {
  return kAbbreviations.at(LanguageIndex(language));
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "ui/GuiCommandLine.h"

#include <cctype>

namespace canalarm::ui {

std::optional<Language> LanguageFromName(std::string_view name) {
  if (name.size() == 1) return LanguageFromCode(name[0]);
  for (Language language : kAllLanguages) {
    const std::string_view abbreviation = LanguageAbbreviation(language);
    if (name.size() != abbreviation.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size(); ++i)
      same = same && std::toupper(static_cast<unsigned char>(name[i])) == abbreviation[i];
    if (same) return language;
  }
  return std::nullopt;
}

GuiCommandLine ParseGuiCommandLine(const std::vector<std::string>& arguments) {
  GuiCommandLine line;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string_view value;
    if (!optionsEnd && argument == "--") {
      optionsEnd = true;
      continue;
    }
    if (!optionsEnd && argument == "--lang") {
      if (i + 1 == arguments.size()) {
        line.error = "--lang needs a language: 0-6 or pl, en, de, ru, sk, cz, hu";
        return line;
      }
      value = arguments[++i];
    } else if (!optionsEnd && argument.rfind("--lang=", 0) == 0) {
      value = std::string_view(argument).substr(7);
    } else if (!optionsEnd && argument.size() > 1 && argument[0] == '-') {
      line.error = "unknown option " + argument;
      return line;
    } else {
      if (!line.firmwareFile.empty()) {
        line.error = "only one firmware file can be opened";
        return line;
      }
      line.firmwareFile = argument;
      continue;
    }
    line.language = LanguageFromName(value);
    if (!line.language) {
      line.error = "unknown language " + std::string(value) + ": use 0-6 or pl, en, de, ru, sk, cz, hu";
      return line;
    }
  }
  return line;
}

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// The window program's command line: canalarm-gui [--lang CODE] [FILE].
// CODE is a language code 0-6 or its short name (pl, en, de, ru, sk, cz, hu,
// any case); FILE is a firmware file to open at start. --version is answered
// by main before this is read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/Language.h"

namespace canalarm::ui {

struct GuiCommandLine {
  std::optional<Language> language;  // for this run only
  std::string firmwareFile;          // empty: none
  std::string error;                 // not empty: the line is refused
};

// `arguments` without the program name. Qt's own options (-platform ...)
// are taken out by QApplication before this is read.
GuiCommandLine ParseGuiCommandLine(const std::vector<std::string>& arguments);

// A language from "0".."6" or "pl", "en", ... (any case); nothing otherwise.
std::optional<Language> LanguageFromName(std::string_view name);

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
#include "texts/WindowTexts.h"

#include <array>
#include <cstdio>

#include "texts/LanguageTables.h"

namespace canalarm {
namespace {

// Columns: PL, EN, DE, RU, SK, CZ, HU.
constexpr std::array<LanguageTexts, kWindowTextCount> kRows{{
    // CopyAll
    {"Kopiuj wszystko", "Copy all", "Alles kopieren", "Копировать всё", "Kopírovať všetko",
     "Kopírovat vše", "Összes másolása"},
    // SaveAs
    {"Zapisz jako...", "Save as...", "Speichern unter...", "Сохранить как...", "Uložiť ako...",
     "Uložit jako...", "Mentés másként..."},
    // About
    {"O programie", "About", "Über das Programm", "О программе", "O programe", "O programu",
     "Névjegy"},
    // Version
    {"Wersja", "Version", "Version", "Версия", "Verzia", "Verze", "Verzió"},
    // Licence
    {"Licencja", "Licence", "Lizenz", "Лицензия", "Licencia", "Licence", "Licenc"},
    // WebAddress
    {"Strona internetowa", "Web address", "Webadresse", "Веб-сайт", "Webová adresa",
     "Webová adresa", "Webcím"},
    // TimeLeft
    {"zostało %1", "%1 left", "noch %1", "осталось %1", "zostáva %1", "zbývá %1", "még %1"},
    // PortNothing
    {"brak urządzenia", "nothing there", "kein Gerät", "нет устройства", "žiadne zariadenie",
     "žádné zařízení", "nincs eszköz"},
    // PortInUse
    {"zajęty", "in use", "belegt", "занят", "obsadený", "obsazený", "foglalt"},
    // PortNoAccess
    {"brak dostępu", "no access", "kein Zugriff", "нет доступа", "bez prístupu", "bez přístupu",
     "nincs hozzáférés"},
    // OpenInUse
    {"używany przez inny program", "in use by another program",
     "von einem anderen Programm belegt", "занят другой программой", "používa ho iný program",
     "používá ho jiný program", "egy másik program használja"},
    // OpenPermission
    {"brak uprawnień", "permission denied", "Zugriff verweigert", "доступ запрещён",
     "prístup zamietnutý", "přístup odepřen", "hozzáférés megtagadva"},
    // OpenJoinGroup
    {"dołącz do grupy %1 i zaloguj się ponownie", "join the group %1 and log in again",
     "treten Sie der Gruppe %1 bei und melden Sie sich neu an",
     "вступите в группу %1 и войдите в систему заново",
     "pridajte sa do skupiny %1 a znova sa prihláste",
     "přidejte se do skupiny %1 a znovu se přihlaste",
     "lépjen be a(z) %1 csoportba, majd jelentkezzen be újra"},
    // OpenNoDevice
    {"brak takiego urządzenia", "no such device", "Gerät nicht vorhanden",
     "нет такого устройства", "také zariadenie neexistuje", "takové zařízení neexistuje",
     "nincs ilyen eszköz"},
    // SaveLogFailed
    {"Nie można zapisać pliku %1", "Cannot save the file %1",
     "Die Datei %1 kann nicht gespeichert werden", "Не удаётся сохранить файл %1",
     "Súbor %1 sa nedá uložiť", "Soubor %1 nelze uložit", "A(z) %1 fájl nem menthető"},
}};

constexpr LanguageTexts kNativeNames{
    "Polski", "English", "Deutsch", "Русский", "Slovenčina", "Čeština", "Magyar",
};

}  // namespace

std::string_view Text(Language language, WindowText text) {
  return kRows.at(static_cast<std::size_t>(text)).at(LanguageIndex(language));
}

std::string_view NativeLanguageName(Language language) {
  return kNativeNames.at(LanguageIndex(language));
}

std::string FillIn(std::string_view pattern, std::string_view first, std::string_view second) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
      out += pattern[i + 1] == '1' ? first : second;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string MinutesSeconds(int seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

std::string AboutText(Language language, std::string_view version, std::string_view webAddress) {
  std::string text = "canalarm-gui\n";
  text += std::string(Text(language, WindowText::Version)) + " " +
          std::string(version.empty() ? "?" : version) + "\n";
  text += std::string(Text(language, WindowText::Licence)) + ": MIT\n";
  text += "Copyright (c) 2026 The canalarm developers\n";
  text += std::string(Text(language, WindowText::WebAddress)) + ": " + std::string(webAddress);
  return text;
}

}  // namespace canalarm

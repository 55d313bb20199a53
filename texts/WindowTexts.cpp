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
    // CloseWhileWriting
    {"Trwa zapis do modułu. Naciśnij Anuluj, aby go przerwać, lub zamknij okno ponownie, aby go anulować.",
     "A write to the module is running. Press Cancel to stop it, or close the window again to cancel it.",
     "Das Modul wird gerade beschrieben. Drücken Sie Abbrechen oder schließen Sie das Fenster erneut, um abzubrechen.",
     "Идёт запись в модуль. Нажмите «Отмена», чтобы прервать её, или закройте окно ещё раз, чтобы отменить.",
     "Prebieha zápis do modulu. Stlačte Zrušiť, alebo zatvorte okno znova, aby sa zápis zrušil.",
     "Probíhá zápis do modulu. Stiskněte Zrušit, nebo zavřete okno znovu, aby se zápis zrušil.",
     "Írás folyik a modulba. Nyomja meg a Mégse gombot, vagy zárja be újra az ablakot a megszakításhoz."},
    // PortLost
    {"Utracono połączenie: adapter został odłączony lub port zniknął. Podłącz adapter, sprawdź port i zacznij od nowa.",
     "Connection lost: the adapter was unplugged or the port was lost. Plug the adapter in, check the port and start again.",
     "Verbindung verloren: Der Adapter wurde abgezogen oder der Port ist verschwunden. Adapter anschließen, Port prüfen und neu beginnen.",
     "Связь потеряна: адаптер отключён или порт пропал. Подключите адаптер, проверьте порт и начните заново.",
     "Spojenie sa stratilo: adaptér bol odpojený alebo port zmizol. Pripojte adaptér, skontrolujte port a začnite znova.",
     "Spojení bylo ztraceno: adaptér byl odpojen nebo port zmizel. Připojte adaptér, zkontrolujte port a začněte znovu.",
     "A kapcsolat megszakadt: az adaptert kihúzták, vagy a port eltűnt. Csatlakoztassa az adaptert, ellenőrizze a portot, és kezdje újra."},
    // ResultDone
    {"Gotowe", "Done", "Fertig", "Готово", "Hotovo", "Hotovo", "Kész"},
    // ResultFailed
    {"Niepowodzenie: zobacz dziennik", "Failed: see the log", "Fehlgeschlagen: siehe Protokoll",
     "Ошибка: см. журнал", "Zlyhalo: pozrite záznam", "Selhalo: viz záznam", "Sikertelen: lásd a naplót"},
    // ResultCancelled
    {"Anulowano", "Cancelled", "Abgebrochen", "Отменено", "Zrušené", "Zrušeno", "Megszakítva"},
    // NoBootloaderHint
    {"Sprawdź kabel, zasilanie modułu i port, a potem spróbuj niższej prędkości.",
     "Check the cable, the module's power and the port, then try a lower speed.",
     "Prüfen Sie Kabel, Stromversorgung des Moduls und Port, und versuchen Sie dann eine niedrigere Geschwindigkeit.",
     "Проверьте кабель, питание модуля и порт, затем попробуйте меньшую скорость.",
     "Skontrolujte kábel, napájanie modulu a port, potom skúste nižšiu rýchlosť.",
     "Zkontrolujte kabel, napájení modulu a port, potom zkuste nižší rychlost.",
     "Ellenőrizze a kábelt, a modul tápellátását és a portot, majd próbáljon kisebb sebességet."},
    // FileRefused
    {"Tego pliku nie można użyć: %1", "This file cannot be used: %1",
     "Diese Datei ist nicht verwendbar: %1", "Этот файл нельзя использовать: %1",
     "Tento súbor sa nedá použiť: %1", "Tento soubor nelze použít: %1",
     "Ez a fájl nem használható: %1"},
    // NoHelpText
    {"Ten plik nie zawiera pomocy.", "This file carries no help text.",
     "Diese Datei enthält keinen Hilfetext.", "В этом файле нет справки.",
     "Tento súbor neobsahuje pomocníka.", "Tento soubor neobsahuje nápovědu.",
     "Ez a fájl nem tartalmaz súgót."},
    // PortOpenFailed
    {"Port nie został otwarty: %1", "The port did not open: %1", "Der Port wurde nicht geöffnet: %1",
     "Порт не открыт: %1", "Port sa neotvoril: %1", "Port se neotevřel: %1", "A port nem nyílt meg: %1"},
    // Waiting
    {"Czekam na bootloader...", "Waiting for the bootloader...", "Warte auf den Bootloader...",
     "Ожидание загрузчика...", "Čakám na bootloader...", "Čekám na bootloader...",
     "Várakozás a bootloaderre..."},
    // NothingRead
    {"Nic jeszcze nie odczytano: naciśnij „%1”, aby zobaczyć ustawienia modułu.",
     "Nothing read yet: press “%1” to see the module's settings.",
     "Noch nichts gelesen: Drücken Sie „%1“, um die Einstellungen des Moduls zu sehen.",
     "Ещё ничего не прочитано: нажмите «%1», чтобы увидеть настройки модуля.",
     "Zatiaľ nič neprečítané: stlačte „%1“ a uvidíte nastavenia modulu.",
     "Zatím nic nepřečteno: stiskněte „%1“ a uvidíte nastavení modulu.",
     "Még nincs beolvasás: nyomja meg a(z) „%1” gombot a modul beállításaihoz."},
    // NoProgramNumber
    {"Moduł nie ma prawidłowego numeru programu CAN (bajt %1).",
     "The module holds no valid CAN program number (byte %1).",
     "Das Modul enthält keine gültige CAN-Programmnummer (Byte %1).",
     "В модуле нет допустимого номера программы CAN (байт %1).",
     "Modul nemá platné číslo programu CAN (bajt %1).",
     "Modul nemá platné číslo programu CAN (bajt %1).",
     "A modulban nincs érvényes CAN-programszám (bájt: %1)."},
    // FileHolds
    {"Plik zawiera FLASH do %1 i EEPROM do %2", "The file holds FLASH up to %1 and EEPROM up to %2",
     "Die Datei enthält FLASH bis %1 und EEPROM bis %2", "Файл содержит FLASH до %1 и EEPROM до %2",
     "Súbor obsahuje FLASH po %1 a EEPROM po %2", "Soubor obsahuje FLASH po %1 a EEPROM po %2",
     "A fájl tartalma: FLASH %1-ig, EEPROM %2-ig"},
    // FileVersion
    {"Wersja w pliku: %1", "Version in the file: %1", "Version in der Datei: %1",
     "Версия в файле: %1", "Verzia v súbore: %1", "Verze v souboru: %1", "Verzió a fájlban: %1"},
    // LogFilePrefix
    {"canalarm-dziennik", "canalarm-log", "canalarm-protokoll", "canalarm-log", "canalarm-zaznam",
     "canalarm-zaznam", "canalarm-naplo"},
    // FilterHexfw
    {"Pliki oprogramowania HEXFW (*.hexfw)", "HEXFW firmware files (*.hexfw)",
     "HEXFW-Firmwaredateien (*.hexfw)", "Файлы прошивки HEXFW (*.hexfw)",
     "Súbory firmvéru HEXFW (*.hexfw)", "Soubory firmwaru HEXFW (*.hexfw)",
     "HEXFW firmware-fájlok (*.hexfw)"},
    // FilterHex
    {"Pliki Intel HEX (*.hex)", "Intel HEX files (*.hex)", "Intel-HEX-Dateien (*.hex)",
     "Файлы Intel HEX (*.hex)", "Súbory Intel HEX (*.hex)", "Soubory Intel HEX (*.hex)",
     "Intel HEX fájlok (*.hex)"},
    // FilterAll
    {"Wszystkie pliki (*)", "All files (*)", "Alle Dateien (*)", "Все файлы (*)",
     "Všetky súbory (*)", "Všechny soubory (*)", "Minden fájl (*)"},
    // PortPseudoTerminal
    {"pseudoterminal", "pseudo-terminal", "Pseudo-Terminal", "псевдотерминал", "pseudoterminál",
     "pseudoterminál", "pszeudoterminál"},
    // PortOnboard
    {"wbudowany port szeregowy", "on-board serial port", "eingebaute serielle Schnittstelle",
     "встроенный последовательный порт", "vstavaný sériový port", "vestavěný sériový port",
     "beépített soros port"},
}};

constexpr LanguageTexts kQtLanguageCodes{"pl", "en", "de", "ru", "sk", "cs", "hu"};

constexpr LanguageTexts kNativeNames{
    "Polski", "English", "Deutsch", "Русский", "Slovenčina", "Čeština", "Magyar",
};

}  // namespace

std::string_view Text(Language language, WindowText text) {
  return kRows.at(static_cast<std::size_t>(text)).at(LanguageIndex(language));
}

std::string_view QtLanguageCode(Language language) {
  return kQtLanguageCodes.at(LanguageIndex(language));
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

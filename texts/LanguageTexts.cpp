// SPDX-License-Identifier: MIT
// The captions and messages themselves. Columns: PL, EN, DE, RU, SK, CZ, HU.
// Spaces and spellings are deliberate; do not tidy them.
#include "texts/detail/LanguageTextData.h"

namespace canalarm::detail {

const std::array<CaptionRow, kCaptionCount> kCaptionRows{{
    // Programming tab.
    {"bbOpen", {"Otwórz plik", "Open file", "Datei öffnen", "Открыть файл", "Orvoriť súbor",
                "Otevřít soubor", "Fajl"}},
    {"bbUpload", {"Zapisz", "Write", "Speichern", "Записать", "Uložiť", "Uložit", "Mentés"}},
    {"Button1", {"Anuluj", "Cancel", "Verwerfen", "Отмена", "Zrušiť", "Zrušit", "Kilép"}},
    {"Button2", {"Odczytaj", "Read", "Lesen", "Прочитать", "Načítať", "Načíst", "Olvas"}},
    {"Button3", {"Pomoc", "Help", "Hilfe", "Справка", "Pomoc", "Pomoc", "Súgó"}},
    {"RadioGroup1", {"Język", "Language", "Sprache", "Язык", "Jazyk", "Jazyk", "Nyelv"}},
    {"GroupBox1", {"Port", "Port", "Port", "Port", "Port", "Port", "Port"}},
    {"GroupBox2", {"Wersja programu", "Program version", "Programversion", "Версия программы",
                   "Programová verzia", "Programová verze", "Program verzió"}},
    {"GroupBox3", {"Polecenia", "Command", "Befehle", "Команды", "Voľby", "Volby", "Választ"}},
    {"cbKeepSettings", {"Zachowaj ustawienia modułu", "Keep the module's settings",
                        "Einstellungen des Moduls behalten", "Сохранить настройки модуля",
                        "Zachovať nastavenia modulu", "Zachovat nastavení modulu",
                        "A modul beállításainak megtartása"}},

    // Tab pages.
    {"TabSheet1", {"Programowanie", "Programming", "Programmierung", "Программирование",
                   "Programovanie", "Programování", "Programozás"}},
    {"TabSheet2", {"Parametry pracy", "Operation parameters", "Betriebsparameter",
                   "Параметры работы", "Pracovné parametre", "Pracovní parametry",
                   "Műkodési paraméterek"}},

    // Parameters tab.
    {"GroupBox5", {"(1) Obsługa systemu ", "(1) System service ", "(1) Systembedienung ",
                   "(1) Управление системой ", "(1) Obsluha systému ", "(1) Obsluha systému ",
                   "(1) Rendszer vezérlés "}},
    {"RadioButton4", {"Cicha", "Sound off", "Stumm", "Без звука", "Tichá", "Tichá", "Néma"}},
    {"RadioButton5", {"Głośna", "Sound on", "Ton", "Со звуком", "Hlasná", "Hlasitá", "Hangos"}},
    {"GroupBox6", {"(2) Samouzbrojenie ", "(2) Automatic arming ", "(2) Automatische Ladung ",
                   "(2) Автопостановка ", "(2) Reaktivácia ", "(2) Reaktivace ",
                   "(2) Ujraélesedés "}},
    {"RadioButton6", {"Brak", "Off ", "Keine", "Нет", "Nie", "Ne", "Nem"}},
    {"RadioButton7", {"30 sekund", "30 seconds", "30 Sekunden", "30 секунд", "30 sekúnd",
                      "30 vteřin", "30 másodperc"}},
    {"GroupBox7", {"(3) Zamykanie zamka ", "(3) Locking ", "(3) Verriegelung ",
                   "(3) Запирание замков ", "(3) Uzamknutie CZ ", "(3) Uzamknutí CZ ",
                   "(3) Kz. Bezárás "}},
    {"RadioButton8", {"Brak", "Off", "Keine", "Нет", "Nie", "Ne", "Nem"}},
    {"RadioButton9", {"7sek(2500RPM)", "7 seconds", "7 Sekunden", "7сек(2500об/мин)",
                      "7sek(2500RPM)", "7sek(2500RPM)", "7sek(2500RPM)"}},
    {"GroupBox17", {" Tryb pracy ", " Operating mode ", " Betriebsmodus ", " Режим работы ",
                    " Zadanie funkie ", " Zadání funkce ", " Funkcó "}},
    {"RadioButton22", {"FI", "FI", "FI", "FI", "FI", "FI", "FI"}},
    {"RadioButton23", {"FA", "FA", "FA", "FA", "FA", "FA", "FA"}},
    // FI form; the mode handler rewrites the first upper-case 'I' for FA.
    {"GroupBox8", {"(4) Funkcja FI ", "(4) FI mode ", "(4) FI-Modus ", "(4) Функция FI ",
                   "(4) Funkcia FI ", "(4) Funkce FI ", "(4) FI Funkció "}},
    {"RadioButton10", {"Brak", "Off", "Aus", "Нет", "Nie", "Ne", "Nincs"}},
    {"RadioButton11", {"Jest", "On", "Ein", "Есть", "Áno", "Ano", "Igen"}},
    {"GroupBox10", {"(5) Opóźnienie FI", "(5) FI delay ", "(5) FI-Zeitverzug ", "(5) Задержка FI",
                    "(5) Oneskorenie FI", "(5) Zpoždění FI", "(5) Késleltetés FI"}},
    {"RadioButton12", {"30sek(autoryzacja 1xPA)", "30sec(authorisation 1xPA)",
                       "30 Sek(Autorisierung 1xPA)", "30сек(авторизация 1xPA)",
                       "30sek(autorizácia 1xPA)", "30sec(autorizace 1xPA)",
                       "30sec(autorizáció 1xPA)"}},
    {"RadioButton13", {"90sek(autoryzacja PIN)", "90sec(authorisation PIN)",
                       "90 Sek(Autorisierung PIN)", "90сек(авторизация PIN)",
                       "90sek(autorizácia PA)", "90sec(autorizace PA)", "90sec(autorizáció PA)"}},
    {"GroupBox11", {"(6) Kanał I ", "(6) Channel I ", "(6) Kanal I ", "(6) Канал I ",
                    "(6) Kanál I ", "(6) Kanál I ", "(6) Sáv I "}},
    {"RadioButton14", {"Przycisk BAG", "BAG button", "BAG-Knopf", "Кнопка BAG", "Tlačítko BAG",
                       "Tlačítko BAG", "BAG Gomb"}},
    {"RadioButton15", {"InfoGPS", "GPSinfo", "GPS-Info", "ИнфоGPS", "InfoGPS", "InfoGPS",
                       "InfoGPS"}},
    {"GroupBox12", {"(7) Smart KEY ", "(7) Smart KEY ", "(7) Smart KEY ", "(7) Smart KEY ",
                    "(7) Smart KEY ", "(7) Smart KEY ", "(7) Smart KEY "}},
    {"RadioButton16", {"Brak", "Off", "Aus", "Нет", "Nie", "Ne", "Nincs"}},
    {"RadioButton17", {"Jest", "On", "Ein", "Есть", "Áno", "Ano", "Igen"}},
    {"GroupBox14", {"(8) Domykanie szyb ", "(8) Closing windows ", "(8) Fenster schließen ",
                    "(8) Доводчик стёкол ", "(8) Dojazd okien ", "(8) Dojezd oken ",
                    "(8) Ablakemelés "}},
    {"RadioButton20", {"Brak", "Off", "Nein", "Нет", "Nie", "Ne", "Nincs"}},
    {"RadioButton21", {"Jest", "On", "Ja", "Есть", "Áno", "Ano", "Igen"}},
    {"GroupBox13", {"(9) Kanał II ", "(9) Channel II ", "(9) Kanal II ", "(9) Канал II ",
                    "(9) Kanál II ", "(9) Kanál II ", "(9) Sáv II "}},
    {"RadioButton18", {"Klakson", "Horn", "Signalhorn", "Клаксон", "Klaksón", "Klakson",
                       "Duda"}},
    {"RadioButton19", {"LiteON", "LiteON", "LiteON", "LiteON", "LiteON", "LiteON", "LiteON"}},
    {"GroupBox16", {"(10) Światła awaryjne ", "(10) Emergency lighting ", "(10) Notbeleuchtung ",
                    "(10) Аварийные огни ", "(10) Núdzové svetlá ", "(10) Nouzová světla ",
                    "(10) Vészvillogók FI"}},
    {"CheckBox2", {"FS1 (sekwen. w alarmow.)", "FS1 (alarm sequence)", "FS1 (Alarmsequenz)",
                   "FS1 (мигание при тревоге)", "FS1 (sekv. pri alarme)",
                   "FS1 (sekv. při alarmu)", "FS1 (riasztáskor)"}},
    {"CheckBox1", {"FS2 (sekwen. uzbr./rozbr.) ", "FS2 (arming/disarming)",
                   "FS2 (Ladungs/Enlatungssequenz) ", "FS2 (постановка/снятие) ",
                   "FS2 (sekv. aktiv./deaktiv.) ", "FS2 (sekv. aktiv./deaktiv.) ",
                   "FS2 (szekv. aktiv./deaktiv.)"}},
    {"CheckBox3", {"FS3 (stałe w alarmowaniu)", "FS3 (const. during alarm)",
                   "FS3 (fest bei Alarm)", "FS3 (постоянно при тревоге)",
                   "FS3 (stále pri alarme)", "FS3 (stále při alarmu)",
                   "FS3 (állandó riasztáskor)"}},
    {"GroupBox4", {" Polecenia ", " Commands ", " Befehle ", " Команды ", " Voľby ", " Volby ",
                   " Választ "}},
    {"BitBtn2", {"Odczyt", "Reading", "Lesen", "Чтение", "Načítať", "Načíst", "Olvasás"}},
    {"BitBtn1", {"Zapis", "Saving", "Speichern", "Запись", "Uložiť", "Uložit", "Mentés"}},
    {"btnParamsCancel", {"Anuluj", "Cancel", "Verwerfen", "Отмена", "Zrušiť", "Zrušit", "Kilép"}},
    {"btnRestore", {"Przywróć…", "Restore…", "Wiederherstellen…", "Восстановить…", "Obnoviť…",
                    "Obnovit…", "Visszaállítás…"}},
    {"GroupBox9", {" Kod PIN ", " PIN code ", " PIN-Kode ", " PIN-код ", " PIN kód ",
                   " PIN kód ", " PIN kód "}},
    {"GroupBox15", {"Nr programu CAN", "CAN program ", "CAN-Program ", "№ программы CAN",
                    "Č. programu CAN", "Č. programu CAN", "CAN program "}},
}};

const std::array<LanguageTexts, kMessageRoleCount> kMessageRows{{
    // msgCancelled
    {"Anulowano", "Cancel", "Verworfen", "Отменено", "Zrušiť", "Zrušit", "Kilép"},
    // msgNoBootloader
    {"Brak bootloadera", "Bootloader no response", "Kein Bootloader", "Загрузчик не отвечает",
     "Bootloader bez odpovede", "Bootloader bez odpovědi", "Bootloader nemválaszol"},
    // msgFileReadError
    {"Błąd odczytu pliku!", "Error loading file", "Fehler Datei Lesen", "Ошибка чтения файла!",
     "Chyba načítania súboru", "Chyba načítání souboru", "Olvasási Hiba"},
    // msgOK
    {"OK", "OK", "OK", "OK", "OK", "OK", "OK"},
    // msgPortOpenError
    {"Błąd otwarcia portu", "Error opening port", "Fehler Port Öffnen", "Ошибка открытия порта",
     "Chyba otvorenia portu", "Chyba otevření portu", "Port megnyitási hiba"},
    // msgCommError
    {"Błąd komunikacji!", "Error data transmission", "Fehler Kommunikation", "Ошибка связи!",
     "Chyba v komunikácii", "Chyba v komunikaci", "Komunikációs hiba"},
    // msgSearching
    {"Wyszukuje...", "Waiting for bootloader...", "Suchen...", "Поиск...", "Vyhľadáva...",
     "Vyhledává...", "Keresés..."},
    // msgWritingFlash
    {"Zapis FLASH...", "FLASH writing...", "FLASH-Speicherung...", "Запись FLASH...",
     "FLASH uložiť...", "FLASH uložit...", "FLASH mentés..."},
    // msgFlashWriteError: the log line goes on with the address, hence the trailing spaces.
    {"Błąd zapisu pamięci FLASH ", "FLASH writing error", "Fehler FLASH-Speicherung",
     "Ошибка записи FLASH ", "Chyba ukladania pamäti FLASH", "Chyba ukládání paměti FLASH ",
     "FLASH Írás Hiba"},
    // msgNoFlashData
    {"Brak danych FLASH", "No code to program", "Keine FLASH-Daten", "Нет данных FLASH",
     "Chýbajúce údaje FLASH", "Chybějící údaje FLASH", "Hiánzó FLASH adatok"},
    // msgWritingEeprom
    {"Zapis EEPROM...", "EEPROM writing...", "EEPROM-Speicherung...", "Запись EEPROM...",
     "Uložiť EEPROM...", "Uložit EEPROM...", "EEPROM Mentés..."},
    // msgEepromWriteError
    {"Błąd zapisu pamięci EEPROM", "EEPROM writing error", "Fehler EEPROM-Speicherung",
     "Ошибка записи EEPROM", "Chyba ukladania pamäti EEPROM", "Chyba ukládání paměti EEPROM",
     "EEPROM mentési hiba"},
    // msgNoEepromData
    {"Brak danych EEPROM", "No data EEPROM to program", "Keine EEPROM-Daten", "Нет данных EEPROM",
     "Chýbajúce údaje EEPROM", "Chybějící údaje EEPROM", "Nincs EEPROM adat"},
    // msgDone
    {"Gotowe", "Finished", "Fertig", "Готово", "Ukončené", "Ukončení", "Kész"},
    // msgNoFileSelected
    {"Nie wybrano pliku", "No file selected", "Keine Datei gewählt", "Файл не выбран",
     "Súbor nebol vybran", "Soubor nebyl vybrán", "Fajl nincs kiválasztva"},
    // msgProgramVersion: the version read appends ": " and the version characters.
    {"Wersja programu", "Program version", "Programversion", "Версия программы",
     "Programová verzia", "Programová verze", "Program verzió"},
    // msgReadingEeprom: English in every language but Polish.
    {"Odczyt EEPROM...", "Reading EEPROM...", "Reading EEPROM...", "Reading EEPROM...",
     "Reading EEPROM...", "Reading EEPROM...", "Reading EEPROM..."},
    // msgIncompleteFirmware
    {"Moduł zawiera teraz niekompletne oprogramowanie: przed użyciem zapisz plik ponownie",
     "The module now holds incomplete firmware: write the file again before use",
     "Das Modul enthält jetzt unvollständige Firmware: Datei vor Gebrauch erneut schreiben",
     "В модуле теперь неполная прошивка: перед использованием запишите файл ещё раз",
     "Modul teraz obsahuje neúplný firmvér: pred použitím súbor zapíšte znova",
     "Modul nyní obsahuje neúplný firmware: před použitím soubor zapište znovu",
     "A modulban most hiányos firmware van: használat előtt írja be újra a fájlt"},
    // msgPinIncomplete
    {"Kod PIN musi mieć cztery cyfry", "The PIN code must have four digits",
     "Der PIN-Code muss vier Ziffern haben", "PIN-код должен состоять из четырёх цифр",
     "PIN kód musí mať štyri číslice", "PIN kód musí mít čtyři číslice",
     "A PIN kódnak négy számjegyből kell állnia"},
    // msgNoPinSet
    {"Moduł nie ma ustawionego kodu PIN", "The module has no PIN code set",
     "Im Modul ist kein PIN-Code gesetzt", "В модуле не задан PIN-код",
     "Modul nemá nastavený PIN kód", "Modul nemá nastavený PIN kód",
     "A modulban nincs beállítva PIN kód"},
    // msgSavingBackup
    {"Zapisywanie kopii zapasowej EEPROM modułu...", "Saving a backup of the module's EEPROM...",
     "Sicherung des Modul-EEPROMs wird gespeichert...", "Сохранение резервной копии EEPROM модуля...",
     "Ukladá sa záloha EEPROM modulu...", "Ukládá se záloha EEPROM modulu...",
     "A modul EEPROM biztonsági mentése..."},
    // msgBackupSaved: followed by ": " and the backup's path.
    {"Kopia zapasowa", "Backup", "Sicherung", "Резервная копия", "Záloha", "Záloha",
     "Biztonsági mentés"},
    // msgBackupFailed: followed by ": " and why; nothing was written.
    {"Nie można zapisać kopii zapasowej, do modułu nic nie zapisano",
     "The backup could not be saved, nothing was written to the module",
     "Die Sicherung konnte nicht gespeichert werden, nichts wurde ins Modul geschrieben",
     "Не удалось сохранить резервную копию, в модуль ничего не записано",
     "Zálohu nebolo možné uložiť, do modulu sa nič nezapísalo",
     "Zálohu nebylo možné uložit, do modulu se nic nezapsalo",
     "A biztonsági mentés nem sikerült, a modulba semmi sem íródott"},
    // msgSettingsKept
    {"Zachowano ustawienia modułu (PIN, program CAN, opcje)",
     "The module's settings were kept (PIN, CAN program, options)",
     "Die Einstellungen des Moduls wurden beibehalten (PIN, CAN-Programm, Optionen)",
     "Настройки модуля сохранены (PIN, программа CAN, опции)",
     "Nastavenia modulu boli zachované (PIN, program CAN, voľby)",
     "Nastavení modulu byla zachována (PIN, program CAN, volby)",
     "A modul beállításai megmaradtak (PIN, CAN program, opciók)"},
    // msgSettingsReplaced: followed by ": " and what changed.
    {"Ustawienia z pliku zastąpiły ustawienia modułu", "The file's settings replaced the module's",
     "Die Einstellungen der Datei ersetzten die des Moduls",
     "Настройки из файла заменили настройки модуля",
     "Nastavenia zo súboru nahradili nastavenia modulu",
     "Nastavení ze souboru nahradila nastavení modulu",
     "A fájl beállításai felülírták a modul beállításait"},
    // msgSettingsIncomplete: followed by ": " and the backup's path.
    {"Ustawienia modułu są teraz niekompletne: przywróć je z kopii zapasowej",
     "The module's settings are now incomplete: restore them from the backup",
     "Die Einstellungen des Moduls sind jetzt unvollständig: aus der Sicherung wiederherstellen",
     "Настройки модуля теперь неполные: восстановите их из резервной копии",
     "Nastavenia modulu sú teraz neúplné: obnovte ich zo zálohy",
     "Nastavení modulu jsou nyní neúplná: obnovte je ze zálohy",
     "A modul beállításai most hiányosak: állítsa vissza őket a biztonsági mentésből"},
    // msgModuleChanged
    {"To nie jest odczytany moduł lub jego ustawienia się zmieniły: odczytaj ponownie, nic nie zapisano",
     "This is not the module that was read, or its settings changed: read again, nothing was written",
     "Das ist nicht das gelesene Modul, oder seine Einstellungen haben sich geändert: erneut lesen, nichts wurde geschrieben",
     "Это не прочитанный модуль, или его настройки изменились: прочитайте снова, ничего не записано",
     "Toto nie je prečítaný modul alebo sa jeho nastavenia zmenili: prečítajte znova, nič sa nezapísalo",
     "Toto není přečtený modul nebo se jeho nastavení změnila: přečtěte znovu, nic se nezapsalo",
     "Ez nem a beolvasott modul, vagy a beállításai megváltoztak: olvassa be újra, semmi sem íródott"},
}};

}  // namespace canalarm::detail

// SPDX-License-Identifier: MIT
// The window's other texts (language list, port list, progress, log menu,
// About box, port errors) in the seven languages. Kept apart from the
// captions and the message set: no language change writes these into a
// control by name; the window reads them where it shows them.
//
// "%1" and "%2" mark where a value goes (see FillIn).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "texts/Language.h"

namespace canalarm {

enum class WindowText : std::uint8_t {
  CopyAll,          // log menu
  SaveAs,           // log menu
  About,            // About button tooltip, menu item and box title
  Version,          // About box
  Licence,          // About box
  WebAddress,       // About box
  TimeLeft,         // progress bar: %1 = m:ss
  PortNothing,      // port list: no device behind the port
  PortInUse,        // port list: another program holds it
  PortNoAccess,     // port list: this user may not open it
  OpenInUse,        // port error: reason
  OpenPermission,   // port error: reason
  OpenJoinGroup,    // port error: what to do, %1 = group
  OpenNoDevice,     // port error: reason
  SaveLogFailed,    // log could not be saved, %1 = file
  CloseWhileWriting,  // a close asked for while the module is written
  PortLost,         // the port went away during an operation
  ResultDone,       // progress bar after an operation that succeeded
  ResultFailed,     // progress bar after an operation that failed
  ResultCancelled,  // progress bar after an operation the user cancelled
  NoBootloaderHint, // what to do when the bootloader does not answer
  FileRefused,      // an opened file that cannot be used, %1 = why
  NoHelpText,       // the firmware file carries no help lines
  PortOpenFailed,   // parameters tab: the port did not open, %1 = why
  Waiting,          // progress bar while the bootloader is awaited
  NothingRead,      // parameters tab before the module was read
  NoProgramNumber,  // the module holds no valid CAN program number
  FileHolds,        // after Open: %1, %2 = highest FLASH and EEPROM address
  FileVersion,      // after Open: %1 = the file's version text
  LogFilePrefix,    // the suggested log file name's first word
  FilterHexfw,      // open dialog: record-encoded firmware files
  FilterHex,        // open dialog: plain Intel HEX files
  FilterAll,        // open dialog: every file
  PortPseudoTerminal,  // port list: the kind of a port with no product name
  PortOnboard,         // port list: the kind of a port with no product name
};

inline constexpr std::size_t kWindowTextCount = 35;

// The language's code for Qt's own translations ("pl", "cs", ...).
std::string_view QtLanguageCode(Language language);

std::string_view Text(Language language, WindowText text);

// The language's name in the language itself: "Polski", "English", ...
std::string_view NativeLanguageName(Language language);

// `pattern` with "%1" replaced by `first` and "%2" by `second`.
std::string FillIn(std::string_view pattern, std::string_view first, std::string_view second = {});

// Seconds as "m:ss" (minutes are not capped).
std::string MinutesSeconds(int seconds);

// The About box's text: the program, its version ("?" when unknown), the
// licence, the copyright and the brand's web address, one per line.
std::string AboutText(Language language, std::string_view version, std::string_view webAddress);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The module's operating parameters inside its 256-byte EEPROM image.
//
// Seven bytes carry them: option byte 1 at 0x21 (eight one-bit switches),
// PIN digits at 0x26, 0x66, 0x27, 0x67 (numeric values, in that digit order),
// the CAN program number at 0x28 (packed BCD) and option byte 2 at 0x61.
// Every other byte is carried through unchanged. Fill and fold reproduce what
// the parameters tab shows and stores, quirks included, so the window and the
// command line agree byte for byte.
#pragma once

#include <array>
#include <optional>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace canalarm {

inline constexpr std::uint8_t kOptionByte1Address = 0x21;
inline constexpr std::uint8_t kOptionByte2Address = 0x61;
inline constexpr std::uint8_t kProgramNumberAddress = 0x28;
// Where PIN characters 1..4 go: digits 1 and 3 low, digits 2 and 4 64 bytes higher.
inline constexpr std::array<std::uint8_t, 4> kPinDigitAddresses{0x26, 0x66, 0x27, 0x67};
inline constexpr std::array<std::uint8_t, 7> kParameterAddresses{0x21, 0x26, 0x27, 0x28,
                                                                  0x61, 0x66, 0x67};

// The state of the parameters tab, as plain values.
struct ParameterSet {
  // Option byte 1; true = the bit is 1.
  bool soundOff = true;          // (1) system service: 1 "Sound off", 0 "Sound on"
  bool autoArming = false;       // (2) automatic arming: 1 "30 seconds", 0 "Off"
  bool locking = false;          // (3) locking: 1 "7 seconds", 0 "Off"
  bool fiFunction = false;       // (4) FI mode: 1 "On", 0 "Off"
  bool fiDelay90 = false;        // (5) FI delay: 1 "90sec", 0 "30sec"
  bool channel1GpsInfo = false;  // (6) channel I: 1 "GPSinfo", 0 "BAG button"
  bool smartKey = false;         // (7) Smart KEY: 1 "On", 0 "Off"
  bool closingWindows = false;   // (8) closing windows: 1 "On", 0 "Off"
  // Option byte 2; bits 0, 5 and 6 are always written as 0.
  bool channel2LiteOn = false;   // (9) channel II: 1 "LiteON", 0 "Horn"
  bool fs1 = false;              // (10) hazard lights FS1 (alarm sequence)
  bool fs2 = false;              //      FS2 (arming/disarming)
  bool fs3 = false;              //      FS3 (constant during alarm)
  bool modeFA = false;           // operating mode: 1 "FA", 0 "FI"
  // The PIN field's text: four digits, or fewer while the fitter types. Empty
  // after a read of a module whose PIN bytes are not all 0..9 (an erased
  // module has no PIN).
  std::string pin;
  // The four PIN bytes as the module held them, in digit order, from the
  // read that filled this set; nothing before a read.
  std::optional<std::array<std::uint8_t, 4>> modulePin;
  // The CAN program number field's text: the byte as two hex digits.
  std::string programNumber = "11";
  // Numeric copy of the program number that the spin buttons step.
  std::uint8_t spinValue = 11;
};

// One switch of the two option bytes, with the controls that show it.
struct OptionSwitch {
  std::string_view name;            // field name for the command line and JSON
  std::uint8_t address;             // 0x21 or 0x61
  std::uint8_t mask;
  bool ParameterSet::*field;
  std::string_view controlForOne;   // checked when the bit is 1
  std::string_view controlForZero;  // checked when the bit is 0; empty for check boxes
};

// Both option bytes, bit by bit in the order the tab is filled (FS1 before FS3).
std::span<const OptionSwitch> OptionSwitches();

// The PIN is not four digits (and not the module's own PIN left alone): the
// write must not go ahead.
class ParameterError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The hazard-light interlock: FS1 and FS3 exclude each other. Setting one of
// them checked unchecks the other; FS2 is independent.
void SetFs1(ParameterSet& set, bool checked);
void SetFs3(ParameterSet& set, bool checked);

// Reads the tab's state out of an EEPROM image. The values are taken as they
// are (a program number that is not BCD gives its two hex digits and a spin
// value from its nibbles), except the PIN: four bytes 0..9 give its digits,
// anything else an empty PIN (the module has none); the bytes themselves are
// kept in `modulePin`. The FS interlock runs as the boxes are set, so an
// image with both FS1 and FS3 set shows FS3 only.
ParameterSet FillParameters(std::span<const std::uint8_t, 256> eeprom);

// Writes the tab's state into the seven parameter bytes of `eeprom`; the
// other 249 bytes are not touched. Option byte 2 is rebuilt from zero. The
// PIN bytes get the four digits of `pin`; an empty `pin` from a module
// without a PIN writes that module's bytes back as they were. Throws
// ParameterError, before changing any byte, for any other PIN.
void FoldParameters(const ParameterSet& set, std::span<std::uint8_t, 256> eeprom);

// Whether the PIN bytes read from the module are four digits 0..9.
bool ModuleHasPin(const ParameterSet& set);

// The spin buttons of the CAN program number: 11..99 with no units digit 0,
// the ends do not wrap.
std::uint8_t SpinUp(std::uint8_t value);
std::uint8_t SpinDown(std::uint8_t value);

// The caption of group (4) or (5) for a mode: for FA the first upper-case "I"
// becomes "A", for FI the first upper-case "A" becomes "I".
std::string ModeCaption(std::string_view caption, bool modeFA);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// The values of the command-line options that carry more than a number.
// Each parser throws std::invalid_argument with a message for people.
// Numbers are decimal, or hexadecimal with 0x.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "emu/EmulatorSettings.h"

namespace canalarm::emu {

// "XX:YY", two hexadecimal bytes as the tool shows them ("Device ID: XX:YY"):
// XX is identity reply byte 2, YY reply byte 1. Returns {byte 1, byte 2}.
std::array<std::uint8_t, 2> ParseIdentity(std::string_view text);

// "flash:BLOCK:CODE" or "eeprom:BLOCK:CODE"; BLOCK is the address / 16
// (FLASH 32..2047, EEPROM 0..15), CODE 1..255.
ErrorAt ParseErrorAt(std::string_view text);

// One fault (packets count from 1 in each link):
//   flip:in|out:N[:BYTE[:BIT]]   flip bit BIT (default 0) of byte BYTE (default
//                                the last) of packet N, or of the reply to it
//   drop:in|out:N[:BYTE]         lose that byte
//   garbage:in|out:N[:COUNT]     COUNT (default 1) invented bytes before packet
//                                N, or before the reply to it
//   delay:N:MS                   send the reply to packet N MS later
//   short:N                      leave out the last byte of the reply to N
//   vanish:N                     close the line in the middle of packet N
Fault ParseFault(std::string_view text);

// "BPS" (50..1000000) or "line"; 0 stands for "line".
int ParseWireSpeed(std::string_view text);

}  // namespace canalarm::emu

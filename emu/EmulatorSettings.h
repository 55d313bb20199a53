// SPDX-License-Identifier: MIT
// What the emulated module answers with, and the faults it is told to show.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace canalarm::emu {

enum class Memory { kFlash, kEeprom };

// A write to this block (addresses 16*block .. 16*block+15) is refused with `code`.
struct ErrorAt {
  Memory memory = Memory::kFlash;
  std::uint32_t block = 0;
  std::uint8_t code = 1;
};

enum class FaultKind {
  kFlipBit,        // flip one bit of one byte
  kDropByte,       // lose one byte
  kInsertGarbage,  // add bytes that were never sent
  kDelayReply,     // send the reply later
  kShortReply,     // leave out the reply's last byte
  kVanish,         // close the line in the middle of the packet
};

enum class Direction { kIn, kOut };  // towards the module, towards the tool

// One fault, tied to packet `packet` of a link (packets count from 1 after each
// wake-up). It fires at most once per link and again in the next link.
struct Fault {
  FaultKind kind = FaultKind::kFlipBit;
  Direction direction = Direction::kIn;  // flip, drop and garbage only
  int packet = 1;
  int byteIndex = -1;  // flip, drop: byte of the packet or of the reply; -1 = the last
  int bit = 0;         // flip: 0..7
  int count = 1;       // garbage: bytes inserted (before the packet or the reply)
  std::chrono::milliseconds delay{0};  // delay
};

struct EmulatorSettings {
  // Identity reply bytes 1 and 2; the tool shows them as "byte 2:byte 1".
  std::array<std::uint8_t, 2> identity{0x43, 0x1A};
  int answerAfter = 0;  // wake-up attempts ignored before the answer
  int garbage = 0;      // bytes sent before the wake-up answer
  std::vector<ErrorAt> errors;
  std::optional<int> silentAfter;  // answer packets 1..N of a link, then nothing
  std::chrono::milliseconds replyDelay{0};
  std::vector<Fault> faults;
  // The faults fire in the first link only, as line noise that does not
  // come back when the tool tries again.
  bool faultsFirstLinkOnly = false;
};

}  // namespace canalarm::emu

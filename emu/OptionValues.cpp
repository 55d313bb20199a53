// SPDX-License-Identifier: MIT
#include "emu/OptionValues.h"

#include <charconv>
#include <stdexcept>
#include <string>
#include <vector>

namespace canalarm::emu {

namespace {

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> out;
  for (;;) {
    const auto colon = text.find(':');
    out.push_back(text.substr(0, colon));
    if (colon == std::string_view::npos) return out;
    text.remove_prefix(colon + 1);
  }
}

std::invalid_argument Bad(std::string_view text, std::string_view why) {
  // Appended piece by piece: g++ 12 at -O3 warns (-Wrestrict) about
  // "literal" + std::string.
  std::string message = "\"";
  message.append(text).append("\": ").append(why);
  return std::invalid_argument(message);
}

// A whole field as a number from `low` to `high`.
long Number(std::string_view field, long low, long high, std::string_view whole,
            std::string_view what) {
  int base = 10;
  if (field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X')) {
    field.remove_prefix(2);
    base = 16;
  }
  long value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value, base);
  if (field.empty() || ec != std::errc() || end != field.data() + field.size() || value < low ||
      value > high) {
    throw Bad(whole, std::string(what) + " must be a number from " + std::to_string(low) + " to " +
                         std::to_string(high));
  }
  return value;
}

std::uint8_t HexByte(std::string_view field, std::string_view whole) {
  std::uint8_t value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
  if (field.size() != 2 || ec != std::errc() || end != field.data() + field.size()) {
    throw Bad(whole, "expected two hexadecimal bytes like 1A:43");
  }
  return value;
}

Direction ParseDirection(std::string_view field, std::string_view whole) {
  if (field == "in") return Direction::kIn;
  if (field == "out") return Direction::kOut;
  throw Bad(whole, "the direction is \"in\" (to the module) or \"out\" (to the tool)");
}

}  // namespace

std::array<std::uint8_t, 2> ParseIdentity(std::string_view text) {
  const auto f = Fields(text);
  if (f.size() != 2) throw Bad(text, "expected two hexadecimal bytes like 1A:43");
  return {HexByte(f[1], text), HexByte(f[0], text)};
}

ErrorAt ParseErrorAt(std::string_view text) {
  const auto f = Fields(text);
  if (f.size() != 3) throw Bad(text, "expected flash:BLOCK:CODE or eeprom:BLOCK:CODE");
  ErrorAt e;
  if (f[0] == "flash") {
    e.memory = Memory::kFlash;
    e.block = static_cast<std::uint32_t>(Number(f[1], 32, 2047, text, "a FLASH block"));
  } else if (f[0] == "eeprom") {
    e.memory = Memory::kEeprom;
    e.block = static_cast<std::uint32_t>(Number(f[1], 0, 15, text, "an EEPROM block"));
  } else {
    throw Bad(text, "the memory is \"flash\" or \"eeprom\"");
  }
  e.code = static_cast<std::uint8_t>(Number(f[2], 1, 255, text, "the error code"));
  return e;
}

Fault ParseFault(std::string_view text) {
  const auto f = Fields(text);
  const auto argc = f.size();
  const auto need = [&](std::size_t low, std::size_t high) {
    if (argc < low || argc > high) throw Bad(text, "wrong number of fields for this fault");
  };
  constexpr long kMaxPacket = 1'000'000;
  Fault fault;
  const std::string_view kind = f[0];
  if (kind == "flip" || kind == "drop" || kind == "garbage") {
    need(3, kind == "flip" ? 5 : 4);
    fault.direction = ParseDirection(f[1], text);
    fault.packet = static_cast<int>(Number(f[2], 1, kMaxPacket, text, "the packet"));
    if (kind == "garbage") {
      fault.kind = FaultKind::kInsertGarbage;
      if (argc > 3) fault.count = static_cast<int>(Number(f[3], 1, 1000, text, "the count"));
    } else {
      fault.kind = kind == "flip" ? FaultKind::kFlipBit : FaultKind::kDropByte;
      if (argc > 3) fault.byteIndex = static_cast<int>(Number(f[3], 0, 260, text, "the byte"));
      if (argc > 4) fault.bit = static_cast<int>(Number(f[4], 0, 7, text, "the bit"));
    }
  } else if (kind == "delay") {
    need(3, 3);
    fault.kind = FaultKind::kDelayReply;
    fault.packet = static_cast<int>(Number(f[1], 1, kMaxPacket, text, "the packet"));
    fault.delay = std::chrono::milliseconds(Number(f[2], 0, 600'000, text, "the delay"));
  } else if (kind == "short" || kind == "vanish") {
    need(2, 2);
    fault.kind = kind == "short" ? FaultKind::kShortReply : FaultKind::kVanish;
    fault.packet = static_cast<int>(Number(f[1], 1, kMaxPacket, text, "the packet"));
  } else {
    throw Bad(text, "unknown fault; known: flip, drop, garbage, delay, short, vanish");
  }
  return fault;
}

int ParseWireSpeed(std::string_view text) {
  if (text == "line") return 0;
  return static_cast<int>(Number(text, 50, 1'000'000, text, "the wire speed"));
}

}  // namespace canalarm::emu

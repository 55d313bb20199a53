// SPDX-License-Identifier: MIT
#include "cli/ParameterFields.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>

namespace canalarm::cli {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::optional<bool> ParseSwitch(std::string_view value) {
  const std::string v = Lower(value);
  if (v == "1" || v == "on" || v == "true" || v == "yes") return true;
  if (v == "0" || v == "off" || v == "false" || v == "no") return false;
  return std::nullopt;
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The PIN bytes in hexadecimal, in digit order.
std::string PinBytesHex(const std::array<std::uint8_t, 4>& bytes, std::string_view separator) {
  std::string text;
  char hex[3];
  for (std::uint8_t b : bytes) {
    if (!text.empty()) text += separator;
    std::snprintf(hex, sizeof hex, "%02x", b);
    text += hex;
  }
  return text;
}

bool PinIsDigits(const ParameterSet& set) { return set.pin.size() == 4 && AllDigits(set.pin); }

// Whether the program number is one the module can hold: 11 to 99 without
// a units digit 0. An erased module's byte 0xFF is none.
bool ProgramNumberIsValid(const ParameterSet& set) {
  const std::string& n = set.programNumber;
  return n.size() == 2 && n[0] >= '1' && n[0] <= '9' && n[1] >= '1' && n[1] <= '9';
}

// The program number's byte in hexadecimal: its text is the byte's two digits.
std::string ProgramNumberByteHex(const ParameterSet& set) { return Lower(set.programNumber); }

// The four PIN bytes the set stands for: its digits, or the module's own.
std::optional<std::array<std::uint8_t, 4>> PinBytes(const ParameterSet& set) {
  if (!PinIsDigits(set)) return set.modulePin;
  std::array<std::uint8_t, 4> bytes{};
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(set.pin[i] - '0');
  return bytes;
}

}  // namespace

std::string ApplyParameterField(ParameterSet& set, std::string_view assignment) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) return "expected FIELD=VALUE, got '" + std::string(assignment) + "'";
  const std::string_view field = assignment.substr(0, equals);
  const std::string_view value = assignment.substr(equals + 1);

  if (field == "pin") {
    if (value.size() != 4 || !AllDigits(value)) return "pin must be four digits";
    set.pin = value;
    return {};
  }
  if (field == "programNumber" || field == "program") {
    if (value.size() != 2 || !AllDigits(value) || value[0] == '0' || value[1] == '0')
      return "programNumber must be 11 to 99 without a units digit 0";
    set.programNumber = value;
    set.spinValue = static_cast<std::uint8_t>((value[0] - '0') * 10 + (value[1] - '0'));
    return {};
  }
  if (field == "mode") {
    const std::string v = Lower(value);
    if (v != "fi" && v != "fa") return "mode must be FI or FA";
    set.modeFA = v == "fa";
    return {};
  }
  for (const OptionSwitch& sw : OptionSwitches()) {
    if (sw.name != field) continue;
    const std::optional<bool> on = ParseSwitch(value);
    if (!on) return std::string(field) + " must be on or off";
    if (sw.field == &ParameterSet::fs1) {
      SetFs1(set, *on);
    } else if (sw.field == &ParameterSet::fs3) {
      SetFs3(set, *on);
    } else {
      set.*sw.field = *on;
    }
    return {};
  }
  return "unknown field '" + std::string(field) + "'";
}

std::string FieldConflict(const std::vector<std::string>& assignments) {
  // Each assignment as the bit or value it sets, in one form: mode=FA and
  // modeFA=on set the same bit; "On" and "1" are the same value.
  struct Setting {
    std::string value;
    std::string given;  // as the fitter wrote it
  };
  std::map<std::string, Setting> settings;
  for (const std::string& assignment : assignments) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) continue;  // ApplyParameterField says what is wrong
    std::string field = assignment.substr(0, equals);
    std::string value = assignment.substr(equals + 1);
    if (field == "program") field = "programNumber";
    if (field == "mode") {
      field = "modeFA";
      value = Lower(value) == "fa" ? "on" : "off";
    } else if (const std::optional<bool> on = ParseSwitch(value); on && field != "pin" && field != "programNumber") {
      value = *on ? "on" : "off";
    }
    const auto [it, fresh] = settings.try_emplace(field, Setting{value, assignment});
    if (!fresh && it->second.value != value)
      return it->second.given + " and " + assignment + " contradict each other: give " + field + " once";
  }
  const auto on = [&settings](const char* field) {
    const auto it = settings.find(field);
    return it != settings.end() && it->second.value == "on";
  };
  if (on("fs1") && on("fs3"))
    return settings["fs1"].given + " and " + settings["fs3"].given +
           " contradict each other: FS1 and FS3 exclude each other";
  return {};
}

nlohmann::ordered_json ParametersJson(const ParameterSet& set) {
  nlohmann::ordered_json json;
  for (const OptionSwitch& sw : OptionSwitches()) json[std::string(sw.name)] = set.*sw.field;
  // The PIN: its digits, or null for a module without one; and its bytes.
  if (PinIsDigits(set)) {
    json["pin"] = set.pin;
  } else {
    json["pin"] = nullptr;
  }
  if (const auto bytes = PinBytes(set)) json["pinBytes"] = PinBytesHex(*bytes, "");
  // The program number, or null when the byte holds none; and the byte.
  if (ProgramNumberIsValid(set)) {
    json["programNumber"] = set.programNumber;
  } else {
    json["programNumber"] = nullptr;
  }
  json["programNumberByte"] = ProgramNumberByteHex(set);
  return json;
}

std::string ParametersText(const ParameterSet& set) {
  std::string text;
  for (const OptionSwitch& sw : OptionSwitches())
    text += std::string(sw.name) + " = " + (set.*sw.field ? "on" : "off") + "\n";
  const auto bytes = PinBytes(set);
  if (PinIsDigits(set) || !bytes) {
    text += "pin = " + set.pin + "\n";
  } else {
    text += "pin = not set (bytes " + PinBytesHex(*bytes, " ") + ")\n";
  }
  if (ProgramNumberIsValid(set)) {
    text += "programNumber = " + set.programNumber + "\n";
  } else {
    text += "programNumber = not set (byte " + ProgramNumberByteHex(set) + ")\n";
  }
  return text;
}

}  // namespace canalarm::cli

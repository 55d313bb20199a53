// SPDX-License-Identifier: MIT
#include "emu/EepromContents.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "firmware/FirmwareLoad.h"
#include "params/ParameterBlock.h"

namespace canalarm::emu {

EepromImage DefaultEeprom() {
  EepromImage eeprom;
  eeprom.fill(0xFF);
  eeprom[kOptionByte1Address] = 0x0B;
  eeprom[kOptionByte2Address] = 0x08;
  for (std::size_t i = 0; i < kPinDigitAddresses.size(); ++i) {
    eeprom[kPinDigitAddresses[i]] = static_cast<std::uint8_t>(i + 1);  // PIN 1234
  }
  eeprom[kProgramNumberAddress] = 0x11;
  SetVersionText(eeprom, kDefaultVersionText);
  return eeprom;
}

void SetVersionText(EepromImage& eeprom, std::string_view text) {
  if (text.size() > kVersionTextBytes) {
    throw std::invalid_argument("the version text has " + std::to_string(text.size()) +
                                " characters; at most 16 fit");
  }
  auto out = eeprom.begin() + kVersionTextAddress;
  std::fill_n(out, kVersionTextBytes, static_cast<std::uint8_t>(' '));
  std::copy(text.begin(), text.end(), out);
}

EepromImage LoadEepromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  EepromImage eeprom;
  // A HEX file is text beginning with a record mark; anything else of the
  // right size is a binary image.
  if (!bytes.empty() && bytes.front() == ':') {
    FirmwareImages images;
    const LoadResult load = LoadFirmware(path, /*decode=*/false, images);
    if (load.outcome == LoadOutcome::Loaded) {
      std::copy(images.eeprom.begin(), images.eeprom.end(), eeprom.begin());
      return eeprom;
    }
    if (bytes.size() != kEepromBytes) {
      throw std::runtime_error(path + " is not a valid Intel HEX file (record " +
                               std::to_string(load.records) + ")");
    }
  }
  if (bytes.size() != kEepromBytes) {
    throw std::runtime_error(path + " has " + std::to_string(bytes.size()) +
                             " bytes; an EEPROM image has 256 (or give an Intel HEX file)");
  }
  std::transform(bytes.begin(), bytes.end(), eeprom.begin(),
                 [](char c) { return static_cast<std::uint8_t>(c); });
  return eeprom;
}

void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace canalarm::emu

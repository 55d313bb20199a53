// SPDX-License-Identifier: MIT
// The firmware images and the file they come from, shared by the upload and
// the parameter read and write for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "firmware/FirmwareImages.h"

namespace canalarm {

struct SharedImages {
  std::string firmwareFileName;  // empty until a file is chosen
  FirmwareImages images;
  // The EEPROM image holds a complete, successful read of the module. Only
  // then may a parameter write send it: a firmware load or a failed read
  // leaves other data there, which written back would corrupt the module.
  bool eepromHoldsModuleRead = false;
  // The module's EEPROM as the last complete parameter read found it: a
  // parameter write goes ahead only into a module that still holds it.
  std::array<std::uint8_t, 256> moduleRead{};
  // The identity of the module that read came from, when the read asked for
  // it; a parameter write needs it, as modules may hold the same bytes.
  std::optional<std::array<std::uint8_t, 2>> moduleReadIdentity;
};

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// Root of the serial layer's components: a read-only version text.
#pragma once

#include <string_view>

namespace canalarm::serl {

class TSerlBaseComponent {
 public:
  virtual ~TSerlBaseComponent() = default;
  std::string_view Version() const noexcept { return "1.00"; }
};

}  // namespace canalarm::serl

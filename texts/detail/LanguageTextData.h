// SPDX-License-Identifier: MIT
// The raw text tables behind texts/LanguageTables.h; only the lookups use them.
#pragma once

#include <array>
#include <cstddef>

#include "texts/LanguageTables.h"

namespace canalarm::detail {

inline constexpr std::size_t kProgrammingTabCaptionCount = 10;
inline constexpr std::size_t kTabPageCaptionCount = 2;
inline constexpr std::size_t kParametersTabCaptionCount = 41;
inline constexpr std::size_t kCaptionCount =
    kProgrammingTabCaptionCount + kTabPageCaptionCount + kParametersTabCaptionCount;

// Caption rows grouped and ordered as CaptionGroup says.
extern const std::array<CaptionRow, kCaptionCount> kCaptionRows;

// Message texts indexed by MessageRoleIndex().
extern const std::array<LanguageTexts, kMessageRoleCount> kMessageRows;

}  // namespace canalarm::detail

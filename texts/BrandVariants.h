// SPDX-License-Identifier: MIT
// The four brand variants and the rule that picks one for a language.
//
// A variant is a window caption/application title, one of four logo images and
// a web address. The addresses are build settings (CANALARM_BRAND1_URL ..
// CANALARM_BRAND4_URL). ChooseBrand() is pure: it returns everything the window
// needs to apply the brand (title, address, visibility of each logo) so that
// no brand logic is left to the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "texts/Language.h"

namespace canalarm {

// Values are the variant numbers 1..4; the brand list shows them at index 0..3.
enum class BrandVariant : std::uint8_t {
  Selmo = 1,
  Dravon = 2,
  Ubrix = 3,
  Korra = 4,
};

inline constexpr std::size_t kBrandVariantCount = 4;

inline constexpr std::array<BrandVariant, kBrandVariantCount> kAllBrandVariants{
    BrandVariant::Selmo, BrandVariant::Dravon, BrandVariant::Ubrix, BrandVariant::Korra,
};

// Zero-based position of the variant: its item index in the brand list `logo1`.
constexpr std::size_t BrandIndex(BrandVariant variant) {
  return static_cast<std::size_t>(variant) - 1;
}

struct BrandInfo {
  BrandVariant variant;
  std::string_view listCode;    // item text in the brand list: "SE", "DV", "UBRIX", "KOR"
  std::string_view title;       // window caption and application title
  std::string_view logo;        // name of the logo image control
  std::string_view webAddress;  // opened by a click on a logo
};

const BrandInfo& Brand(BrandVariant variant);

struct LogoVisibility {
  std::string_view logo;  // logo image control name
  bool visible;
};

// What applying a language does to the brand.
struct BrandChoice {
  BrandVariant variant;        // the variant whose title and address apply
  std::string_view title;
  std::string_view webAddress;
  // All four logo controls in variant order; at most one is visible.
  std::array<LogoVisibility, kBrandVariantCount> logos;
};

// Polish: Dravon if `dravonChecked`, else Selmo. English: the variant at
// `brandListIndex` (-1 = no item selected); with no valid item, Selmo's title
// and address and no logo. German: Ubrix. Russian: Selmo. Slovak, Czech and
// Hungarian: Korra. Every other case shows exactly the chosen variant's logo.
BrandChoice ChooseBrand(Language language, bool dravonChecked, int brandListIndex);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "texts/BrandVariants.h"

// The web addresses are build settings (texts/CMakeLists.txt).
#if !defined(CANALARM_BRAND1_URL) || !defined(CANALARM_BRAND2_URL) || \
    !defined(CANALARM_BRAND3_URL) || !defined(CANALARM_BRAND4_URL)
#error "CANALARM_BRAND1_URL .. CANALARM_BRAND4_URL must be defined by the build"
#endif

namespace canalarm {
namespace {

constexpr std::array<BrandInfo, kBrandVariantCount> kBrands{{
    {BrandVariant::Selmo, "SE", "SELMO BOOTLOADER", "Selmo_image", CANALARM_BRAND1_URL},
    {BrandVariant::Dravon, "DV", "DRAVON BOOTLOADER", "Dravon_image", CANALARM_BRAND2_URL},
    {BrandVariant::Ubrix, "UBRIX", "TARVEX BOOTLOADER", "ubrix_image", CANALARM_BRAND3_URL},
    {BrandVariant::Korra, "KOR", "KORRA BOOTLOADER", "kor_image", CANALARM_BRAND4_URL},
}};

// The variant whose title and address apply, and whether its logo shows.
struct Pick {
  BrandVariant variant;
  bool showLogo;
};

Pick PickVariant(Language language, bool dravonChecked, int brandListIndex) {
  switch (language) {
    case Language::Polish:
      return {dravonChecked ? BrandVariant::Dravon : BrandVariant::Selmo, true};
    case Language::English:
      if (brandListIndex >= 0 && brandListIndex < static_cast<int>(kBrandVariantCount)) {
        return {kAllBrandVariants[static_cast<std::size_t>(brandListIndex)], true};
      }
      return {BrandVariant::Selmo, false};
    case Language::German:
      return {BrandVariant::Ubrix, true};
    case Language::Russian:
      return {BrandVariant::Selmo, true};
    case Language::Slovak:
    case Language::Czech:
    case Language::Hungarian:
      return {BrandVariant::Korra, true};
  }
  return {BrandVariant::Selmo, false};
}

}  // namespace

const BrandInfo& Brand(BrandVariant variant) { return kBrands.at(BrandIndex(variant)); }

BrandChoice ChooseBrand(Language language, bool dravonChecked, int brandListIndex) {
  const Pick pick = PickVariant(language, dravonChecked, brandListIndex);
  const BrandInfo& brand = Brand(pick.variant);
  BrandChoice choice{pick.variant, brand.title, brand.webAddress, {}};
  for (std::size_t i = 0; i < kBrandVariantCount; ++i) {
    choice.logos[i] = {kBrands[i].logo, pick.showLogo && kBrands[i].variant == pick.variant};
  }
  return choice;
}

}  // namespace canalarm

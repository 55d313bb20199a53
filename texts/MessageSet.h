// SPDX-License-Identifier: MIT
// The message set: the status/log texts of the current language and
// the current brand's web address. Operations read a text at the moment they
// show it, so a message always appears in the language applied last.
//
// A default-constructed set holds what the program holds when it is loaded:
// the Polish texts and brand variant 1's web address.
#pragma once

#include <array>
#include <string_view>

#include "texts/Language.h"
#include "texts/LanguageTables.h"

namespace canalarm {

class MessageSet {
 public:
  MessageSet();

  std::string_view Text(MessageRole role) const;
  std::string_view BrandWebAddress() const { return brandWebAddress_; }

  // Rewrites every text; the web address stays.
  void Refill(Language language);

  // Set when a brand variant is applied.
  void SetBrandWebAddress(std::string_view webAddress) { brandWebAddress_ = webAddress; }

  bool operator==(const MessageSet&) const = default;

 private:
  std::array<std::string_view, kMessageRoleCount> texts_{};
  std::string_view brandWebAddress_;
};

}  // namespace canalarm

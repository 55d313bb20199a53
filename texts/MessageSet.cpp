// SPDX-License-Identifier: MIT
#include "texts/MessageSet.h"

#include "texts/BrandVariants.h"

namespace canalarm {

MessageSet::MessageSet() : brandWebAddress_(Brand(BrandVariant::Selmo).webAddress) {
  Refill(kLanguageAtLoad);
}

std::string_view MessageSet::Text(MessageRole role) const {
  return texts_.at(MessageRoleIndex(role));
}

void MessageSet::Refill(Language language) {
  for (MessageRole role : kAllMessageRoles) {
    texts_[MessageRoleIndex(role)] = Message(language, role);
  }
}

}  // namespace canalarm

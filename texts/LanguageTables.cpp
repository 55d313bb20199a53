// SPDX-License-Identifier: MIT
#include "texts/LanguageTables.h"

#include "texts/detail/LanguageTextData.h"

namespace canalarm {
namespace {

using detail::kCaptionRows;
using detail::kMessageRows;

constexpr std::array<std::string_view, kMessageRoleCount> kMessageRoleNames{
    "msgCancelled",      "msgNoBootloader",  "msgFileReadError",    "msgOK",
    "msgPortOpenError",  "msgCommError",     "msgSearching",        "msgWritingFlash",
    "msgFlashWriteError", "msgNoFlashData",  "msgWritingEeprom",    "msgEepromWriteError",
    "msgNoEepromData",   "msgDone",          "msgNoFileSelected",   "msgProgramVersion",
    "msgReadingEeprom",  "msgIncompleteFirmware", "msgPinIncomplete", "msgNoPinSet",
    "msgSavingBackup",   "msgBackupSaved",   "msgBackupFailed",     "msgSettingsKept",
    "msgSettingsReplaced", "msgSettingsIncomplete", "msgModuleChanged",
};

}  // namespace

std::span<const CaptionRow> Captions(CaptionGroup group) {
  const std::span<const CaptionRow> all{kCaptionRows};
  switch (group) {
    case CaptionGroup::ProgrammingTab:
      return all.first(detail::kProgrammingTabCaptionCount);
    case CaptionGroup::TabPages:
      return all.subspan(detail::kProgrammingTabCaptionCount, detail::kTabPageCaptionCount);
    case CaptionGroup::ParametersTab:
      return all.last(detail::kParametersTabCaptionCount);
  }
  return {};
}

std::span<const CaptionRow> AllCaptions() { return kCaptionRows; }

std::string_view Caption(Language language, std::string_view control) {
  for (const CaptionRow& row : kCaptionRows) {
    if (row.control == control) {
      return row.Text(language);
    }
  }
  return {};
}

std::string_view Message(Language language, MessageRole role) {
  return kMessageRows.at(MessageRoleIndex(role)).at(LanguageIndex(language));
}

std::string_view MessageRoleName(MessageRole role) {
  return kMessageRoleNames.at(MessageRoleIndex(role));
}

std::optional<MessageRole> MessageRoleFromName(std::string_view name) {
  for (MessageRole role : kAllMessageRoles) {
    if (kMessageRoleNames[MessageRoleIndex(role)] == name) {
      return role;
    }
  }
  return std::nullopt;
}

}  // namespace canalarm

// SPDX-License-Identifier: MIT
// Captions and messages of the tool in each of the seven languages.
//
// Every text is UTF-8 and exact to the space: several captions carry leading
// or trailing spaces and some spellings are odd on purpose; show them as they
// stand. All views point into static tables and stay valid for the whole run.
//
// Applying a language writes, in this order:
//   1. the captions of CaptionGroup::ProgrammingTab,
//   2. the brand variant (texts/BrandVariants.h),
//   3. the captions of CaptionGroup::TabPages,
//   4. the messages in MessageRole order (texts/MessageSet.h),
//   5. the captions of CaptionGroup::ParametersTab.
// The captions of GroupBox8 and GroupBox10 are always given in their FI form;
// the operating-mode handler turns the first upper-case 'I' into 'A' for FA.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "texts/Language.h"

namespace canalarm {

// One text per language, indexed by LanguageIndex().
using LanguageTexts = std::array<std::string_view, kLanguageCount>;

// The caption of one window control in every language.
struct CaptionRow {
  std::string_view control;  // control name as the window knows it, e.g. "bbOpen"
  LanguageTexts texts;

  constexpr std::string_view Text(Language language) const {
    return texts.at(LanguageIndex(language));
  }
};

// The caption groups, in the order a language change writes them.
enum class CaptionGroup : std::uint8_t {
  ProgrammingTab,  // bbOpen ... GroupBox3
  TabPages,        // TabSheet1, TabSheet2
  ParametersTab,   // GroupBox5 ... GroupBox15
};

inline constexpr std::array<CaptionGroup, 3> kAllCaptionGroups{
    CaptionGroup::ProgrammingTab, CaptionGroup::TabPages, CaptionGroup::ParametersTab,
};

// The rows of one group, in the order they are written.
std::span<const CaptionRow> Captions(CaptionGroup group);

// Every caption row: the three groups one after the other.
std::span<const CaptionRow> AllCaptions();

// Caption of a control in a language; empty for a control that no language
// changes (no known caption is empty).
std::string_view Caption(Language language, std::string_view control);

// The status and log texts, in the order a language change writes them.
enum class MessageRole : std::uint8_t {
  msgCancelled,
  msgNoBootloader,
  msgFileReadError,
  msgOK,
  msgPortOpenError,
  msgCommError,
  msgSearching,
  msgWritingFlash,
  msgFlashWriteError,
  msgNoFlashData,
  msgWritingEeprom,
  msgEepromWriteError,
  msgNoEepromData,
  msgDone,
  msgNoFileSelected,
  msgProgramVersion,
  msgReadingEeprom,
  // Said where a write could reach the module unmeant: an upload that ended
  // early, a PIN that is not complete, a module without a PIN.
  msgIncompleteFirmware,
  msgPinIncomplete,
  msgNoPinSet,
  // The customer's settings: the backup taken before a write, the settings
  // kept or replaced by an upload, a parameter write that stopped early, and
  // a module that is not the one read.
  msgSavingBackup,
  msgBackupSaved,
  msgBackupFailed,
  msgSettingsKept,
  msgSettingsReplaced,
  msgSettingsIncomplete,
  msgModuleChanged,
};

inline constexpr std::size_t kMessageRoleCount = 27;

constexpr std::size_t MessageRoleIndex(MessageRole role) {
  return static_cast<std::size_t>(role);
}

// Every role, in enum order.
inline constexpr auto kAllMessageRoles = [] {
  std::array<MessageRole, kMessageRoleCount> roles{};
  for (std::size_t i = 0; i < roles.size(); ++i) {
    roles[i] = static_cast<MessageRole>(i);
  }
  return roles;
}();

std::string_view Message(Language language, MessageRole role);

// The role's identifier as text ("msgCancelled"), e.g. for machine-readable output.
std::string_view MessageRoleName(MessageRole role);
std::optional<MessageRole> MessageRoleFromName(std::string_view name);

}  // namespace canalarm

// SPDX-License-Identifier: MIT
#include "ui/PortFacts.h"

#include "texts/WindowTexts.h"

namespace canalarm::ui {

namespace {

constexpr std::string_view kDash = " \xE2\x80\x93 ";  // " – "

std::string PortName(int number) { return "COM" + std::to_string(number); }

}  // namespace

std::string PortItemState(const PortFacts& facts, Language language) {
  if (!facts.present) return std::string(kDash) + std::string(Text(language, WindowText::PortNothing));
  std::string state;
  if (facts.inUse) state += " (" + std::string(Text(language, WindowText::PortInUse)) + ")";
  if (facts.noAccess) state += " (" + std::string(Text(language, WindowText::PortNoAccess)) + ")";
  return state;
}

std::string PortItemText(const PortFacts& facts, Language language) {
  std::string text = PortName(facts.number) + "  ";
  if (!facts.present) {
    // "COM2  /x – nothing there"; "COM2  – nothing there" without a device.
    if (!facts.device.empty()) return text + facts.device + PortItemState(facts, language);
    return text + PortItemState(facts, language).substr(1);
  }
  text += facts.device;
  if (!facts.product.empty()) {
    text += " \xC2\xB7 " + facts.product;  // " · "
  } else if (facts.kind != PortKindName::None) {
    text += " \xC2\xB7 " + std::string(Text(language, facts.kind == PortKindName::PseudoTerminal
                                                         ? WindowText::PortPseudoTerminal
                                                         : WindowText::PortOnboard));
  }
  return text + PortItemState(facts, language);
}

PortOpenProblem ClassifyOpenFailure(const PortFacts& facts) {
  if (!facts.present) return PortOpenProblem::NoDevice;
  if (facts.inUse) return PortOpenProblem::InUse;
  if (facts.noAccess) return PortOpenProblem::Permission;
  return PortOpenProblem::Other;
}

std::string PortOpenFailureLine(const PortFacts& facts, Language language,
                                std::string_view portError) {
  std::string line = PortName(facts.number);
  if (!facts.device.empty()) line += " (" + facts.device + ")";
  line += ": ";
  switch (ClassifyOpenFailure(facts)) {
    case PortOpenProblem::NoDevice:
      return line + std::string(Text(language, WindowText::OpenNoDevice));
    case PortOpenProblem::InUse:
      line += Text(language, WindowText::OpenInUse);
      if (!facts.holder.empty()) line += std::string(kDash) + facts.holder;
      return line;
    case PortOpenProblem::Permission:
      line += Text(language, WindowText::OpenPermission);
      if (!facts.group.empty())
        line += std::string(kDash) + FillIn(Text(language, WindowText::OpenJoinGroup), facts.group);
      return line;
    case PortOpenProblem::Other:
      break;
  }
  return line + std::string(portError);
}

}  // namespace canalarm::ui

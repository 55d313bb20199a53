// SPDX-License-Identifier: MIT
#include "ui/PortFacts.h"

#include "texts/WindowTexts.h"

namespace canalarm::ui {

namespace {

constexpr std::string_view kDash = " \xE2\x80\x93 ";  // " – "

std::string PortName(int number) { return "COM" + std::to_string(number); }

}  // namespace

std::string PortItemText(const PortFacts& facts, Language language) {
  std::string text = PortName(facts.number) + "  ";
  if (!facts.present) {
    if (!facts.device.empty()) text += facts.device + " ";
    return text + std::string(kDash.substr(1)) + std::string(Text(language, WindowText::PortNothing));
  }
  text += facts.device;
  if (!facts.product.empty()) text += " \xC2\xB7 " + facts.product;  // " · "
  if (facts.inUse) text += " (" + std::string(Text(language, WindowText::PortInUse)) + ")";
  if (facts.noAccess) text += " (" + std::string(Text(language, WindowText::PortNoAccess)) + ")";
  return text;
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
      return line + std::string(Text(language, WindowText::OpenInUse));
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

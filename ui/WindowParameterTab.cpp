// SPDX-License-Identifier: MIT
#include "ui/WindowParameterTab.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

#include "ui/QtText.h"

namespace canalarm::ui {

namespace {

template <typename T>
T* Required(QWidget* page, std::string_view name) {
  auto* control = page->findChild<T*>(ToQString(name));
  if (control == nullptr) throw std::logic_error("parameters tab lacks " + std::string(name));
  return control;
}

}  // namespace

WindowParameterTab::WindowParameterTab(QWidget* page, QAbstractButton* writeButton)
    : page_(page),
      writeButton_(writeButton),
      pin_(Required<QLineEdit>(page, "PIN")),
      programNumber_(Required<QLineEdit>(page, "MaskEdit1")),
      modeGroup4_(Required<QGroupBox>(page, "GroupBox8")),
      modeGroup5_(Required<QGroupBox>(page, "GroupBox10")) {
  for (const OptionSwitch& option : OptionSwitches()) {
    Control(option.controlForOne);
    if (!option.controlForZero.empty()) Control(option.controlForZero);
  }
}

QAbstractButton* WindowParameterTab::Control(std::string_view name) const {
  return Required<QAbstractButton>(page_, name);
}

void WindowParameterTab::Fill(const ParameterSet& set) {
  // Table order matters: FS1 is set before FS3, so the interlock decides.
  for (const OptionSwitch& option : OptionSwitches()) {
    const bool bit = set.*option.field;
    if (option.controlForZero.empty()) {
      Control(option.controlForOne)->setChecked(bit);
    } else {
      Control(bit ? option.controlForOne : option.controlForZero)->setChecked(true);
    }
  }
  pin_->setText(ToQString(set.pin));
  modulePin_ = set.modulePin;
  programNumber_->setText(ToQString(set.programNumber));
  spinValue_ = set.spinValue;
}

ParameterSet WindowParameterTab::Current() const {
  ParameterSet set;
  for (const OptionSwitch& option : OptionSwitches())
    set.*option.field = Control(option.controlForOne)->isChecked();
  // The digits typed, without the mask's blanks.
  set.pin = ToStdString(pin_->text().remove(QLatin1Char(' ')));
  set.modulePin = modulePin_;
  set.programNumber = ToStdString(programNumber_->text());
  set.spinValue = spinValue_;
  return set;
}

void WindowParameterTab::SetWriteEnabled(bool enabled) {
  writeButton_->setEnabled(enabled && !held_);
}

void WindowParameterTab::StepUp() { ShowProgramNumber(SpinUp(spinValue_)); }

void WindowParameterTab::StepDown() { ShowProgramNumber(SpinDown(spinValue_)); }

void WindowParameterTab::ShowMode(bool modeFA) {
  for (QGroupBox* group : {modeGroup4_, modeGroup5_})
    group->setTitle(ToQString(ModeCaption(ToStdString(group->title()), modeFA)));
}

QAbstractButton* WindowParameterTab::Box(bool ParameterSet::*field) const {
  for (const OptionSwitch& option : OptionSwitches())
    if (option.field == field) return Control(option.controlForOne);
  throw std::logic_error("no switch of the option bytes has this field");
}

void WindowParameterTab::Fs1Changed() {
  ParameterSet hazard;
  hazard.fs3 = Box(&ParameterSet::fs3)->isChecked();
  SetFs1(hazard, Box(&ParameterSet::fs1)->isChecked());
  Box(&ParameterSet::fs3)->setChecked(hazard.fs3);
}

void WindowParameterTab::Fs3Changed() {
  ParameterSet hazard;
  hazard.fs1 = Box(&ParameterSet::fs1)->isChecked();
  SetFs3(hazard, Box(&ParameterSet::fs3)->isChecked());
  Box(&ParameterSet::fs1)->setChecked(hazard.fs1);
}

void WindowParameterTab::ShowProgramNumber(std::uint8_t value) {
  spinValue_ = value;
  programNumber_->setText(QString::number(value));
}

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// The parameters tab's widgets as the parameter read and write see them,
// and what the tab's change handlers do to them.
//
// Fill sets the controls the way clicks would, so the window's change
// handlers (mode captions, FS1/FS3 interlock) run as they do for the user.
// Current reads the PIN as the digits typed into the field, without the
// mask's blanks, and carries the PIN bytes of the last read along, so that
// the write can leave a module without a PIN as it was.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "link/ParameterTab.h"

class QAbstractButton;
class QGroupBox;
class QLineEdit;
class QWidget;

namespace canalarm::ui {

class WindowParameterTab : public ParameterTab {
 public:
  // Finds the controls by name under `page`; `writeButton` is BitBtn1.
  WindowParameterTab(QWidget* page, QAbstractButton* writeButton);

  void Fill(const ParameterSet& set) override;
  ParameterSet Current() const override;
  void SetWriteEnabled(bool enabled) override;
  // While held (an operation runs) the write button stays disabled whatever
  // SetWriteEnabled says; the owner sets it again afterwards.
  void SetHeld(bool held) { held_ = held; }

  // The spin value (numeric copy of the CAN program number) and its steps;
  // each step shows the new value in the field.
  std::uint8_t SpinValue() const { return spinValue_; }
  void StepUp();
  void StepDown();

  // The captions of groups (4) and (5) in the form of the mode, FA or FI.
  void ShowMode(bool modeFA);
  // The hazard-light interlock after FS1 or FS3 changed: checking one
  // unchecks the other.
  void Fs1Changed();
  void Fs3Changed();

 private:
  QAbstractButton* Control(std::string_view name) const;
  // The check box of a switch of the option bytes.
  QAbstractButton* Box(bool ParameterSet::*field) const;
  void ShowProgramNumber(std::uint8_t value);

  QWidget* page_;
  QAbstractButton* writeButton_;
  QLineEdit* pin_;
  QLineEdit* programNumber_;
  QGroupBox* modeGroup4_;
  QGroupBox* modeGroup5_;
  std::uint8_t spinValue_ = 11;
  bool held_ = false;
  std::optional<std::array<std::uint8_t, 4>> modulePin_;
};

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// Port and speed: the port list, whose items describe each port afresh
// when it opens, the three speed buttons, and the choice remembered from
// run to run.
#include <QRadioButton>

#include "ui/QtText.h"
#include "ui/TPortComboBox.h"
#include "ui/TfrmMain.h"
#include "ui/WindowSettings.h"

namespace canalarm::ui {

std::array<TfrmMain::SpeedButton, 3> TfrmMain::SpeedButtons() const {
  return {{{RadioButton1, 9600}, {RadioButton2, 19200}, {RadioButton3, 38400}}};
}

PortChoice TfrmMain::CurrentPort() const {
  PortChoice port;
  port.comNumber = cbPort->currentIndex() + 1;
  port.baud = SpeedButtons().back().baud;
  for (const SpeedButton& speed : SpeedButtons())
    if (speed.button->isChecked()) port.baud = speed.baud;
  return port;
}

void TfrmMain::SetPortDescriber(PortDescriber describer) {
  portDescriber_ = std::move(describer);
  RefreshPortItems();
}

void TfrmMain::RefreshPortItems() {
  // The port of a running operation is open: a probe would only see it busy.
  if (commandRunning_) return;
  portFacts_.clear();
  for (int i = 0; i < cbPort->count(); ++i) portFacts_.push_back(portDescriber_(i + 1));
  ShowPortItems();
}

void TfrmMain::ShowPortItems() {
  for (int i = 0; i < cbPort->count() && i < static_cast<int>(portFacts_.size()); ++i) {
    const PortFacts& facts = portFacts_[static_cast<std::size_t>(i)];
    cbPort->setItemText(i, ToQString(PortItemText(facts, CurrentLanguage())));
    cbPort->setItemData(i, ToQString(PortItemState(facts, CurrentLanguage())), TPortComboBox::kStateRole);
  }
}

void TfrmMain::RememberPortChoice() {
  WindowSettings::SetPortIndex(cbPort->currentIndex());
  WindowSettings::SetSpeed(CurrentPort().baud);
}

void TfrmMain::RestorePortChoice() {
  if (const std::optional<int> index = WindowSettings::PortIndex()) {
    const QSignalBlocker quiet(cbPort);
    cbPort->setCurrentIndex(*index);
  }
  if (const std::optional<int> baud = WindowSettings::Speed()) {
    for (const SpeedButton& speed : SpeedButtons()) {
      if (speed.baud != *baud) continue;
      const QSignalBlocker quiet(speed.button);
      speed.button->setChecked(true);
    }
  }
}

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// The port selection dialog: asked by the serial port component when it is
// to open with no port number set. Lists the ports the probe finds
// (COM1..COM50, ports held by another program included).
#pragma once

#include <QDialog>
#include <vector>

class QComboBox;
class QPushButton;

namespace canalarm::ui {

class TComSelectForm : public QDialog {
  Q_OBJECT

 public:
  // Closes with Accepted for OK; any other way out is Abort.
  static constexpr int kAbort = 3;

  explicit TComSelectForm(QWidget* parent = nullptr);

  // Fills the list from the probe and selects the first entry.
  void FormCreate();
  // Fills the list with `ports` (numbers, in order) and selects the first.
  void ShowPorts(const std::vector<int>& ports);

  // The number of the selected entry ("COM12" gives 12); 0 when none.
  int SelectedPort() const;

  // Shows the dialog modally; the chosen port, or 0 when the user chose none
  // (Cancel, close box, Escape, or OK on an empty list).
  static int Choose(QWidget* parent);

 private:
  QComboBox* ports_;
  QPushButton* ok_;
  QPushButton* abort_;
};

}  // namespace canalarm::ui

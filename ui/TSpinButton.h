// SPDX-License-Identifier: MIT
// A bare spin button: an up and a down arrow, no field of its own. It steps
// whatever its owner decides, here the CAN program number beside it. It
// takes the keyboard focus: the arrow keys and Page Up/Down step it.
#pragma once

#include <QWidget>

class QToolButton;

namespace canalarm::ui {

class TSpinButton : public QWidget {
  Q_OBJECT

 public:
  explicit TSpinButton(QWidget* parent = nullptr);

  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 signals:
  void UpClick();
  void DownClick();

 private:
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace canalarm::ui

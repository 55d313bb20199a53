// SPDX-License-Identifier: MIT
// A bare spin button: an up and a down arrow, no field of its own. It steps
// whatever its owner decides, here the CAN program number beside it.
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

 signals:
  void UpClick();
  void DownClick();

 private:
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace canalarm::ui

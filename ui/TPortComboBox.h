// SPDX-License-Identifier: MIT
// The port list: a combo box that says when its list is about to open, so
// that the items can be described afresh (an adapter plugged in meanwhile).
#pragma once

#include <QComboBox>

namespace canalarm::ui {

class TPortComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;

  void showPopup() override {
    emit PopupAboutToShow();
    QComboBox::showPopup();
  }

 signals:
  void PopupAboutToShow();
};

}  // namespace canalarm::ui

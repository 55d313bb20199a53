// SPDX-License-Identifier: MIT
// The port list: a combo box that says when its list is about to open, so
// that the items can be described afresh (an adapter plugged in meanwhile),
// and whose closed box keeps an item's state in view when the item is too
// long for it: "COM3  /dev/serial/by-id/usb-FT… (in use)".
#pragma once

#include <QComboBox>

namespace canalarm::ui {

class TPortComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;

  // The role of an item's state text (PortItemState), which ends its text.
  static constexpr int kStateRole = Qt::UserRole + 1;

  void showPopup() override {
    emit PopupAboutToShow();
    QComboBox::showPopup();
  }

  // What the closed box shows of the current item in `width` pixels: the
  // whole text when it fits, else its start cut short and then its state.
  QString ClosedText(int width) const;
  // The width the closed box has for its text.
  int ClosedTextWidth() const;

 signals:
  void PopupAboutToShow();

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace canalarm::ui

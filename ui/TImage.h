// SPDX-License-Identifier: MIT
// An image control that reports clicks (the brand logos).
#pragma once

#include <QLabel>

namespace canalarm::ui {

class TImage : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void Click();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace canalarm::ui

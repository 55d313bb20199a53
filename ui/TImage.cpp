// SPDX-License-Identifier: MIT
#include "ui/TImage.h"

#include <QMouseEvent>

namespace canalarm::ui {

void TImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace canalarm::ui

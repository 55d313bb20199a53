// SPDX-License-Identifier: MIT
#include "ui/TTextProgressBar.h"

#include <QStyleOption>
#include <QStylePainter>

namespace canalarm::ui {

QSize TTextProgressBar::minimumSizeHint() const {
  const QSize least = QProgressBar::minimumSizeHint();
  if (orientation() != Qt::Horizontal) return least;
  return {fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 16, least.height()};
}

void TTextProgressBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  const QString label = option.textVisible ? option.text : QString();
  option.textVisible = false;
  painter.drawControl(QStyle::CE_ProgressBar, option);
  if (label.isEmpty()) return;

  const QRect area = style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, this);
  const int flags = static_cast<int>(alignment()) | Qt::TextSingleLine;
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  if (option.maximum > option.minimum && option.progress >= option.maximum) {
    // All of it lies over the fill.
    painter.setPen(palette().color(group, QPalette::HighlightedText));
    painter.drawText(area, flags, label);
    return;
  }
  const QColor ring = palette().color(group, QPalette::Base);
  painter.setPen(ring);
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx != 0 || dy != 0) painter.drawText(area.translated(dx, dy), flags, label);
  painter.setPen(palette().color(group, QPalette::Text));
  painter.drawText(area, flags, label);
}

}  // namespace canalarm::ui

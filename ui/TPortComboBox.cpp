// SPDX-License-Identifier: MIT
#include "ui/TPortComboBox.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace canalarm::ui {

QString TPortComboBox::ClosedText(int width) const {
  const QString text = currentText();
  const QFontMetrics metrics = fontMetrics();
  if (metrics.horizontalAdvance(text) <= width) return text;
  const QString state = currentData(kStateRole).toString();
  if (state.isEmpty() || !text.endsWith(state)) return metrics.elidedText(text, Qt::ElideRight, width);
  const QString head = text.left(text.size() - state.size());
  return metrics.elidedText(head, Qt::ElideRight, width - metrics.horizontalAdvance(state)) + state;
}

int TPortComboBox::ClosedTextWidth() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
}

void TPortComboBox::paintEvent(QPaintEvent*) {
  // As QComboBox paints itself, with the label's text cut to keep the state.
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  option.currentText = ClosedText(ClosedTextWidth());
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace canalarm::ui

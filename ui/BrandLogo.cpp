// SPDX-License-Identifier: MIT
#include "ui/BrandLogo.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>


namespace canalarm::ui {

namespace {

struct LogoStyle {
  QColor dark;
  QColor light;
  const char* name;
};

LogoStyle StyleOf(BrandVariant variant) {
  switch (variant) {
    case BrandVariant::Selmo: return {QColor(0x0b, 0x3d, 0x91), QColor(0x3f, 0x7f, 0xd8), "SELMO"};
    case BrandVariant::Dravon: return {QColor(0x8a, 0x12, 0x12), QColor(0xd8, 0x3a, 0x2a), "DRAVON"};
    case BrandVariant::Ubrix: return {QColor(0x1d, 0x5e, 0x2b), QColor(0x4c, 0xaf, 0x50), "TARVEX"};
    case BrandVariant::Korra: return {QColor(0x33, 0x33, 0x33), QColor(0xf0, 0xa0, 0x1c), "KORRA"};
  }
  return {Qt::black, Qt::gray, "?"};
}

}  // namespace

QPixmap BrandLogo(BrandVariant variant, QSize size, qreal pixelRatio) {
  const LogoStyle style = StyleOf(variant);
  QPixmap pixmap(size * pixelRatio);
  pixmap.setDevicePixelRatio(pixelRatio);
  pixmap.fill(Qt::transparent);

  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame(1, 1, size.width() - 2, size.height() - 2);
  QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
  fill.setColorAt(0, style.light);
  fill.setColorAt(1, style.dark);
  painter.setPen(QPen(style.dark, 1));
  painter.setBrush(fill);
  painter.drawRoundedRect(frame, 6, 6);

  // A small shield on the left, the brand's name beside it.
  const qreal h = frame.height() * 0.7;
  const QRectF shield(frame.left() + 8, frame.center().y() - h / 2, h * 0.8, h);
  QPainterPath path;
  path.moveTo(shield.center().x(), shield.top());
  path.lineTo(shield.right(), shield.top() + h * 0.2);
  path.quadTo(shield.right(), shield.bottom() - h * 0.2, shield.center().x(), shield.bottom());
  path.quadTo(shield.left(), shield.bottom() - h * 0.2, shield.left(), shield.top() + h * 0.2);
  path.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPath(path);

  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(static_cast<int>(frame.height() * 0.5));
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QRectF text(shield.right() + 6, frame.top(), frame.right() - shield.right() - 10,
                    frame.height());
  painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QString::fromLatin1(style.name));
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 32, 48, 64, 128}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = side;
    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.04);
    shield.lineTo(s * 0.9, s * 0.18);
    shield.quadTo(s * 0.9, s * 0.72, s * 0.5, s * 0.96);
    shield.quadTo(s * 0.1, s * 0.72, s * 0.1, s * 0.18);
    shield.closeSubpath();
    painter.setPen(QPen(QColor(0x0b, 0x3d, 0x91), s / 32));
    painter.setBrush(QColor(0x3f, 0x7f, 0xd8));
    painter.drawPath(shield);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(s * 0.5, s * 0.42), s * 0.11, s * 0.11);
    painter.drawRect(QRectF(s * 0.45, s * 0.45, s * 0.1, s * 0.28));
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace canalarm::ui

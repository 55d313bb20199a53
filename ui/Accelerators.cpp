// SPDX-License-Identifier: MIT
#include "ui/Accelerators.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <functional>
#include <vector>

namespace canalarm::ui {

namespace {

QString Escaped(QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); }

// A caption and the way to write it back.
struct Captioned {
  QString text;
  std::function<void(const QString&)> write;
};

std::vector<Captioned> CaptionsOf(QWidget* page) {
  std::vector<Captioned> push, others, labels;
  for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
    if (button->text().isEmpty()) continue;
    auto& list = qobject_cast<QPushButton*>(button) != nullptr ? push : others;
    list.push_back({button->text(), [button](const QString& text) { button->setText(text); }});
  }
  for (QLabel* label : page->findChildren<QLabel*>()) {
    if (label->buddy() == nullptr || label->text().isEmpty()) continue;
    labels.push_back({label->text(), [label](const QString& text) { label->setText(text); }});
  }
  push.insert(push.end(), others.begin(), others.end());
  push.insert(push.end(), labels.begin(), labels.end());
  return push;
}

}  // namespace

QString WithoutAccelerator(const QString& caption) {
  QString plain;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return plain;
}

QChar AcceleratorOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
    ++i;
  }
  return {};
}

void AssignAccelerators(QWidget* page) {
  std::vector<Captioned> captions = CaptionsOf(page);
  QSet<QChar> taken;
  for (Captioned& caption : captions) {
    const QString plain = WithoutAccelerator(caption.text);
    qsizetype chosen = -1;
    for (qsizetype i = 0; i < plain.size() && chosen < 0; ++i) {
      if (plain[i].isLetterOrNumber() && !taken.contains(plain[i].toUpper())) chosen = i;
    }
    QString marked = Escaped(plain);
    if (chosen >= 0) {
      taken.insert(plain[chosen].toUpper());
      marked = Escaped(plain.left(chosen)) + QLatin1Char('&') + Escaped(plain.mid(chosen));
    }
    if (marked != caption.text) caption.write(marked);
  }
}

}  // namespace canalarm::ui

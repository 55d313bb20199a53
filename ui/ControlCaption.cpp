// SPDX-License-Identifier: MIT
#include "ui/ControlCaption.h"

#include "ui/Accelerators.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QTabWidget>
#include <QWidget>

namespace canalarm::ui {

namespace {

QString Escaped(QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); }
// Without the accelerator's mark as well.
QString Unescaped(const QString& text) { return WithoutAccelerator(text); }

// The tab widget that shows `page`, and the page's index in it.
std::pair<QTabWidget*, int> TabOf(QWidget* root, QWidget* page) {
  for (QTabWidget* tabs : root->findChildren<QTabWidget*>()) {
    const int index = tabs->indexOf(page);
    if (index >= 0) return {tabs, index};
  }
  return {nullptr, -1};
}

}  // namespace

bool SetCaption(QWidget* root, const QString& name, const QString& text) {
  auto* control = root->findChild<QWidget*>(name);
  if (control == nullptr) return false;
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(Escaped(text));
    return true;
  }
  if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(Escaped(text));
    return true;
  }
  if (auto [tabs, index] = TabOf(root, control); tabs != nullptr) {
    tabs->setTabText(index, Escaped(text));
    return true;
  }
  return false;
}

QString CaptionOf(QWidget* root, const QString& name) {
  auto* control = root->findChild<QWidget*>(name);
  if (control == nullptr) return {};
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return Unescaped(button->text());
  if (auto* group = qobject_cast<QGroupBox*>(control)) return Unescaped(group->title());
  if (auto [tabs, index] = TabOf(root, control); tabs != nullptr)
    return Unescaped(tabs->tabText(index));
  return {};
}

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
#include "ui/ControlHold.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>

#include "ui/TSpinButton.h"

namespace canalarm::ui {

namespace {

// Controls a user acts on; read-only fields and labels stay readable.
bool Operable(const QWidget* widget) {
  if (qobject_cast<const QAbstractButton*>(widget) != nullptr) return true;
  if (qobject_cast<const QComboBox*>(widget) != nullptr) return true;
  if (qobject_cast<const QAbstractSpinBox*>(widget) != nullptr) return true;
  if (qobject_cast<const TSpinButton*>(widget) != nullptr) return true;
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return !edit->isReadOnly();
  return false;
}

}  // namespace

void ControlHold::Hold(std::initializer_list<QWidget*> roots, std::initializer_list<const QWidget*> keep) {
  if (holding_) return;
  holding_ = true;
  for (QWidget* root : roots) {
    for (QWidget* widget : root->findChildren<QWidget*>()) {
      if (!Operable(widget) || widget->testAttribute(Qt::WA_Disabled)) continue;
      if (std::find(keep.begin(), keep.end(), widget) != keep.end()) continue;
      // A combo box's line edit or a spin's arrows follow their owner.
      if (qobject_cast<const TSpinButton*>(widget->parentWidget()) != nullptr) continue;
      widget->setEnabled(false);
      held_.append(widget);
    }
  }
}

void ControlHold::Release() {
  for (const QPointer<QWidget>& widget : held_)
    if (widget) widget->setEnabled(true);
  held_.clear();
  holding_ = false;
}

}  // namespace canalarm::ui

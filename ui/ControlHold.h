// SPDX-License-Identifier: MIT
// Holds a window's controls while an operation runs: every enabled control
// below the given roots is disabled, except the ones kept (Cancel), and
// exactly those are enabled again on release. Controls added later (another
// tab's buttons) are held without a list to keep up to date.
#pragma once

#include <QList>
#include <algorithm>
#include <QPointer>
#include <QWidget>
#include <initializer_list>

namespace canalarm::ui {

class ControlHold {
 public:
  void Hold(std::initializer_list<QWidget*> roots, std::initializer_list<const QWidget*> keep);
  void Release();
  bool Holding() const { return holding_; }

 private:
  QList<QPointer<QWidget>> held_;
  bool holding_ = false;
};

}  // namespace canalarm::ui

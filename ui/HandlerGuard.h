// SPDX-License-Identifier: MIT
// The one wrapper every handler of the window runs through.
//
// Nothing may leave a handler into Qt's event loop: an error that escapes is
// shown the way the application shows unexpected errors (a message box with
// its text and the application title) and the event loop goes on. The
// presenter is replaceable so that a headless test can capture the text.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace canalarm::ui {

class HandlerGuard {
 public:
  using ErrorPresenter = std::function<void(const QString& message)>;

  explicit HandlerGuard(QWidget* parent);

  // Runs `handler`; returns false when an error escaped it (and was shown).
  bool Run(const std::function<void()>& handler) const;

  void SetErrorPresenter(ErrorPresenter presenter) { presenter_ = std::move(presenter); }

 private:
  void Present(const QString& message) const;

  QWidget* parent_;
  ErrorPresenter presenter_;
};

}  // namespace canalarm::ui

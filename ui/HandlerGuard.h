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
  // While `busy` says so, errors go to `fallback` instead (no modal box
  // may open then).
  void SetBusyFallback(std::function<bool()> busy, ErrorPresenter fallback) {
    busy_ = std::move(busy);
    fallback_ = std::move(fallback);
  }

 private:
  void Present(const QString& message) const;

  QWidget* parent_;
  ErrorPresenter presenter_;
  std::function<bool()> busy_;
  ErrorPresenter fallback_;
};

}  // namespace canalarm::ui

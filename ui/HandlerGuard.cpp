// SPDX-License-Identifier: MIT
#include "ui/HandlerGuard.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>
#include <exception>

namespace canalarm::ui {

HandlerGuard::HandlerGuard(QWidget* parent) : parent_(parent) {}

bool HandlerGuard::Run(const std::function<void()>& handler) const {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    Present(QString::fromUtf8(error.what()));
  } catch (...) {
    Present(QStringLiteral("Unknown error"));
  }
  return false;
}

void HandlerGuard::Present(const QString& message) const {
  if (busy_ && fallback_ && busy_()) {
    fallback_(message);
    return;
  }
  if (presenter_) {
    presenter_(message);
    return;
  }
  QMessageBox::critical(parent_, QGuiApplication::applicationDisplayName(), message);
}

}  // namespace canalarm::ui

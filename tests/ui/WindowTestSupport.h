// SPDX-License-Identifier: MIT
// Helpers shared by the window's tests: a window whose link talks to a
// scripted module, the captured error messages, controls by name.
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QStringList>
#include <QTabWidget>
#include <QtTest>
#include <memory>
#include <string_view>

#include "ScriptedModulePort.h"
#include "ui/HandlerGuard.h"
#include "ui/TfrmMain.h"

namespace canalarm::test {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The window with its errors captured instead of shown in a message box.
struct WindowUnderTest {
  ScriptedModulePort* module = nullptr;  // owned by the window
  std::unique_ptr<ui::TfrmMain> window;
  QStringList errors;

  WindowUnderTest() {
    auto port = std::make_unique<ScriptedModulePort>();
    module = port.get();
    window = std::make_unique<ui::TfrmMain>(std::move(port));
    window->Guard().SetErrorPresenter([this](const QString& message) { errors << message; });
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the window is not shown");
  }

  template <typename T = QWidget>
  T* Find(const char* name) const {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) qFatal("no control %s", name);
    return control;
  }
  QAbstractButton* Button(const char* name) const { return Find<QAbstractButton>(name); }
  bool Checked(std::string_view name) const {
    return Find<QAbstractButton>(std::string(name).c_str())->isChecked();
  }
};

// A control's caption as the user sees it: a button's text, a group's title
// or a tab page's tab text. Read here, not through the window's own helper.
inline QString CaptionSeen(QWidget* root, std::string_view name) {
  auto* control = root->findChild<QWidget*>(Q(name));
  if (control == nullptr) return QStringLiteral("<missing>");
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  auto* tabs = root->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  const int index = tabs->indexOf(control);
  return index >= 0 ? tabs->tabText(index) : QStringLiteral("<no caption>");
}

}  // namespace canalarm::test

// SPDX-License-Identifier: MIT
// Helpers shared by the window's tests: a window whose link talks to a
// scripted module, the captured error messages, controls by name, the log,
// and a small firmware file.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "ScriptedModulePort.h"
#include "ui/HandlerGuard.h"
#include "texts/BrandVariants.h"
#include "texts/Language.h"
#include "texts/LanguageTables.h"
#include "ui/TfrmMain.h"

namespace canalarm::test {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Stops the program unless every port the window may describe or open leads
// to a test line or nowhere: on POSIX a private ports folder (XDG_CONFIG_HOME,
// where COM1 to COM50 lead nowhere unless a test links them), on Windows the
// COM ports the Wine test runner mapped and checked (WindowTestPorts_*.cpp).
void GuardTestPorts();

// What the window says of COM1 when the scripted module's port fails to open
// ("COM1: no such port"): the port, its device and why, as the platform
// describes them (WindowTestPorts_*.cpp).
QString UnopenedCom1Detail();
inline void UsePrivateConfigHome() { GuardTestPorts(); }

// The window's remembered choices, forgotten.
inline void ForgetWindowSettings() {
  QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("canalarm"),
            QStringLiteral("canalarm-gui"))
      .clear();
}

// The window with its errors captured instead of shown in a message box.
// Each starts with nothing remembered unless `keepSettings`.
struct WindowUnderTest {
  ScriptedModulePort* module = nullptr;  // owned by the window
  std::unique_ptr<ui::TfrmMain> window;
  QStringList errors;

  explicit WindowUnderTest(bool keepSettings = false) {
    UsePrivateConfigHome();
    if (!keepSettings) ForgetWindowSettings();
    auto port = std::make_unique<ScriptedModulePort>();
    module = port.get();
    window = std::make_unique<ui::TfrmMain>(std::move(port));
    window->Guard().SetErrorPresenter([this](const QString& message) { errors << message; });
    tickerIntervalMs = Find<QTimer>("TimeoutTicker")->interval();
    ModuleAnswers(true);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the window is not shown");
  }

  // The window's own ticker interval, before the test changed it.
  int tickerIntervalMs = 0;

  // The scripted module answers at once, so a wait that ran out would only
  // say that the machine pumped events slowly (Wine under load does): while
  // it answers, the ticker runs ten times slower and every countdown lasts
  // ten times longer. A silent module is waited for at the window's own
  // pace, since running out is then the point.
  void ModuleAnswers(bool answers) {
    module->answerWakeUp = answers;
    Find<QTimer>("TimeoutTicker")->setInterval(answers ? 10 * tickerIntervalMs : tickerIntervalMs);
  }
  // The ticker back at the window's own pace, for a test that times ticks.
  void TickAtTheWindowsPace() { Find<QTimer>("TimeoutTicker")->setInterval(tickerIntervalMs); }

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

// A caption without its accelerator's mark, as it reads.
inline QString Unmarked(QString caption) {
  return caption.replace(QLatin1String("&&"), QStringLiteral("\x01"))
      .remove(QLatin1Char('&'))
      .replace(QStringLiteral("\x01"), QStringLiteral("&"));
}

// A control's caption as the user sees it: a button's text, a group's title
// or a tab page's tab text. Read here, not through the window's own helper.
inline QString CaptionSeen(QWidget* root, std::string_view name) {
  auto* control = root->findChild<QWidget*>(Q(name));
  if (control == nullptr) return QStringLiteral("<missing>");
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return Unmarked(button->text());
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  auto* tabs = root->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  const int index = tabs->indexOf(control);
  return index >= 0 ? tabs->tabText(index) : QStringLiteral("<no caption>");
}

// Every caption and message of the window equals the table's for `language`.
inline void ExpectLanguage(const WindowUnderTest& w, Language language) {
  for (const CaptionRow& row : AllCaptions())
    QCOMPARE(CaptionSeen(w.window.get(), row.control), Q(row.Text(language)));
  for (MessageRole role : kAllMessageRoles)
    QCOMPARE(Q(w.window->Messages().Text(role)), Q(Message(language, role)));
}

// The brand logos shown, by name.
inline QStringList VisibleLogos(const WindowUnderTest& w) {
  QStringList visible;
  for (BrandVariant variant : kAllBrandVariants) {
    const char* name = Brand(variant).logo.data();
    if (!w.Find(name)->isHidden()) visible << QString::fromLatin1(name);
  }
  return visible;
}

// What a user's choice in the language list does: the list's signal.
inline void ChooseInList(const WindowUnderTest& w, Language language) {
  auto* list = w.Find<QComboBox>("cbLanguage");
  const int index = static_cast<int>(LanguageIndex(language));
  list->setCurrentIndex(index);
  emit list->activated(index);
}

// A log line without the time it starts with ("14:03:59 "); a line
// without one is returned whole, so that a missing time shows.
inline QString WithoutTime(const QString& line) {
  static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d "));
  return QString(line).remove(time);
}

// The log's lines, without their times, empty ones left out.
inline QStringList LogLines(const QPlainTextEdit* log) {
  QStringList lines;
  for (const QString& line : log->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    lines << WithoutTime(line);
  return lines;
}
inline QStringList LogLines(const WindowUnderTest& w) { return LogLines(w.Find<QPlainTextEdit>("meLog")); }

inline void WriteFile(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// Opens a plain (not record-encoded) HEX file with one FLASH block (address
// 0x200) and no EEPROM data, written into `dir`.
inline bool OpenOneBlockFirmware(const WindowUnderTest& w, const QTemporaryDir& dir) {
  const QString file = dir.filePath(QStringLiteral("one-block.hex"));
  WriteFile(file,
            ":020000040000FA\n"
            ":10020000000102030405060708090A0B0C0D0E0F76\n"
            ":00000001FF\n");
  w.Button("DecodeON")->setChecked(false);
  return w.window->OpenFirmwareFile(file);
}

}  // namespace canalarm::test

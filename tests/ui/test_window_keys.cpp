// SPDX-License-Identifier: MIT
// The window by keyboard: accelerators in every language without clashes
// on a tab, Ctrl+O, F1 and Esc, Enter on the focused button, the focus
// after an open and at an operation's start, and the CAN program number
// stepped by keys.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowTestSupport.h"
#include "texts/WindowTexts.h"
#include "ui/TForm1.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

// The letter after a lone '&', upper case; a null QChar when there is none.
QChar Accelerator(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
    ++i;
  }
  return {};
}

void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

}  // namespace

class TestWindowKeys : public QObject {
  Q_OBJECT

 private slots:
  // Every push button has an accelerator in every language, and no two
  // controls that one tab shows share one.
  void acceleratorsInEveryLanguageWithoutClashes() {
    WindowUnderTest w;
    auto* tabs = w.Find<QTabWidget>("PageControl1");
    for (Language language : kAllLanguages) {
      w.window->SelectLanguage(language);
      for (int page = 0; page < tabs->count(); ++page) {
        QMap<QChar, QString> owners;
        auto take = [&](const QString& owner, const QString& caption) {
          const QChar key = Accelerator(caption);
          if (key.isNull()) return;
          QVERIFY2(!owners.contains(key), qPrintable(QStringLiteral("%1: %2 and %3 share Alt+%4")
                                                         .arg(Q(NativeLanguageName(language)), owners[key],
                                                              owner, QString(key))));
          owners.insert(key, owner);
        };
        for (QAbstractButton* button : tabs->widget(page)->findChildren<QAbstractButton*>()) {
          if (button->text().isEmpty()) continue;
          if (qobject_cast<QPushButton*>(button) != nullptr)
            QVERIFY2(!Accelerator(button->text()).isNull(),
                     qPrintable(button->objectName() + ": " + button->text()));
          take(button->objectName(), button->text());
        }
        for (QLabel* label : tabs->widget(page)->findChildren<QLabel*>())
          if (label->buddy() != nullptr) take(label->objectName(), label->text());
        QVERIFY(owners.size() >= 4);
      }
    }
  }

  // Alt+letter presses the button on the tab shown.
  void anAcceleratorPressesItsButton() {
    WindowUnderTest w;
    w.module->failOpen = true;
    const QChar key = Accelerator(w.Button("Button2")->text());
    QVERIFY(!key.isNull());
    QTest::keyClick(w.window.get(), key.toLower().toLatin1(), Qt::AltModifier);
    QTRY_VERIFY(!LogLines(w).isEmpty());
    QCOMPARE(LogLines(w).constFirst(), Q(Message(Language::English, MessageRole::msgPortOpenError)));
  }

  void ctrlOOpensAndTheFocusMovesToWrite() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString file = dir.filePath(QStringLiteral("one.hex"));
    WriteFile(file, ":020000040000FA\n:10020000000102030405060708090A0B0C0D0E0F76\n:00000001FF\n");
    w.Button("DecodeON")->setChecked(false);
    int asked = 0;
    w.window->SetFileChooser([&](QFileDialog&) {
      ++asked;
      return file;
    });
    w.window->activateWindow();
    Press(w.window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(asked, 1);
    QCOMPARE(QApplication::focusWidget(), w.Find("bbUpload"));
    // Enter presses the focused button: here the write.
    w.module->failOpen = true;
    Press(w.Find("bbUpload"), Qt::Key_Return);
    QVERIFY(LogLines(w).contains(Q(Message(Language::English, MessageRole::msgPortOpenError))));
  }

  void f1OpensTheHelpAndEscClosesIt() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString file = dir.filePath(QStringLiteral("helped.hex"));
    WriteFile(file, ":020000040000FA\n:10020000000102030405060708090A0B0C0D0E0F76\n:00000001FF\n;First help line\n");
    w.Button("DecodeON")->setChecked(false);
    QVERIFY(w.window->OpenFirmwareFile(file));
    Press(w.window.get(), Qt::Key_F1);
    QTRY_VERIFY(w.window->HelpWindow().isVisible());
    // Esc in the help window and in the main window both close it.
    Press(&w.window->HelpWindow(), Qt::Key_Escape);
    QTRY_VERIFY(!w.window->HelpWindow().isVisible());
    Press(w.window.get(), Qt::Key_F1);
    QTRY_VERIFY(w.window->HelpWindow().isVisible());
    Press(w.window.get(), Qt::Key_Escape);
    QTRY_VERIFY(!w.window->HelpWindow().isVisible());
  }

  void escCancelsARunningOperation() {
    WindowUnderTest w;
    w.ModuleAnswers(false);
    QTimer::singleShot(0, [&w] { Press(QApplication::focusWidget(), Qt::Key_Escape); });
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgCancelled)));
  }

  void theProgramNumberStepsByKeys() {
    WindowUnderTest w;
    w.Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    auto* number = w.Find<QLineEdit>("MaskEdit1");
    QWidget* spin = w.Find("SpinButton1");
    QCOMPARE(spin->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(number->text(), QStringLiteral("11"));
    Press(spin, Qt::Key_Up);
    Press(spin, Qt::Key_PageUp);
    Press(spin, Qt::Key_Up);
    QCOMPARE(number->text(), QStringLiteral("14"));
    Press(spin, Qt::Key_PageDown);
    Press(spin, Qt::Key_Down);
    QCOMPARE(number->text(), QStringLiteral("12"));
  }
};

QTEST_MAIN(TestWindowKeys)
#include "test_window_keys.moc"

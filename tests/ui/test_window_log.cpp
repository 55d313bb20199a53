// SPDX-License-Identifier: MIT
// The log and About: the log copied and saved, and the About box from its
// button and the window's menu, in the language and brand shown.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QDateTime>
#include <QTemporaryDir>

#include "WindowTestSupport.h"
#include "texts/BrandVariants.h"
#include "texts/WindowTexts.h"

using namespace canalarm;
using namespace canalarm::test;

class TestWindowLog : public QObject {
  Q_OBJECT

 private slots:
  void logCanBeCopiedAndSaved() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.window->SelectLanguage(Language::Polish);
    w.Button("Button2")->click();  // a version read fills the log
    const QString log = w.Find<QPlainTextEdit>("meLog")->toPlainText();
    QVERIFY(log.contains(QStringLiteral("Wyszukuje...")));
    w.window->CopyLog();
    QCOMPARE(QGuiApplication::clipboard()->text(), log);
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    QVERIFY(w.window->SaveLog(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), log + QLatin1Char('\n'));
    // A file that can't be written: said in the log, nothing else changes.
    QVERIFY(!w.window->SaveLog(dir.filePath(QStringLiteral("no/such/folder/log.txt"))));
    QVERIFY(LogLines(w).constLast().startsWith(QStringLiteral("Nie można zapisać pliku")));
    QCOMPARE(w.Find<QPlainTextEdit>("meLog")->contextMenuPolicy(), Qt::CustomContextMenu);
  }

  // Every line says when it was written; the name offered for saving says
  // the day, the time and the port, in the window's language.
  void linesCarryTheirTimeAndTheSavedNameTheDayAndPort() {
    WindowUnderTest w;
    w.Button("Button2")->click();
    const QStringList lines =
        w.Find<QPlainTextEdit>("meLog")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 2);
    for (const QString& line : lines)
      QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d \\S")).match(line).hasMatch(),
               qPrintable(line));
    w.Find<QComboBox>("cbPort")->setCurrentIndex(2);
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5));
    QCOMPARE(w.window->SuggestedLogName(when), QStringLiteral("canalarm-log-2026-03-07-0905-COM3.txt"));
    w.window->SelectLanguage(Language::German);
    QCOMPARE(w.window->SuggestedLogName(when), QStringLiteral("canalarm-protokoll-2026-03-07-0905-COM3.txt"));
  }

  void aboutNamesVersionLicenceAndTheBrandsAddress() {
    QApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    WindowUnderTest w;
    QString title, text;
    w.window->SetAboutPresenter([&](const QString& t, const QString& body) {
      title = t;
      text = body;
    });
    w.Button("btnAbout")->click();
    QCOMPARE(title, QStringLiteral("About"));
    QVERIFY2(text.contains(QStringLiteral("9.8.7")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("MIT")), qPrintable(text));
    QVERIFY2(text.contains(Q(Brand(BrandVariant::Dravon).webAddress)), qPrintable(text));
    // The window's own menu offers it too, and it follows the brand.
    ChooseInList(w, Language::German);
    auto* action = w.window->findChild<QAction*>(QStringLiteral("actAbout"));
    QVERIFY(w.window->actions().contains(action));
    // A right click opens the window's menu with it.
    QStringList offered;
    QTimer::singleShot(0, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        offered << menu->objectName();
        for (QAction* item : menu->actions()) offered << item->text();
        menu->close();
      }
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), w.window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w.window.get(), &click);
    QCOMPARE(offered, (QStringList{QStringLiteral("WindowMenu"), Q(Text(Language::German, WindowText::About))}));
    action->trigger();
    QCOMPARE(title, Q(Text(Language::German, WindowText::About)));
    QVERIFY2(text.contains(Q(Brand(BrandVariant::Ubrix).webAddress)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Lizenz: MIT")), qPrintable(text));
  }
};

QTEST_MAIN(TestWindowLog)
#include "test_window_log.moc"

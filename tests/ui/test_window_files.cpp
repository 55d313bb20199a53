// SPDX-License-Identifier: MIT
// The firmware file in the window: the open button and its dialog, which
// starts in the last file's folder, dropped files, and the file's help
// lines in the help window, which appears beside the main window.
#include <QApplication>
#include <QCompleter>
#include <QAbstractItemView>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowTestSupport.h"
#include "ui/TForm1.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

// Sends a drop of `paths` (as local file URLs) onto the window.
bool Drop(const WindowUnderTest& w, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPointF at(w.window->width() / 2.0, w.window->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.window.get(), &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.window.get(), &drop);
  return drop.isAccepted();
}

}  // namespace

class TestWindowFiles : public QObject {
  Q_OBJECT

 private slots:
  // --- Open and choose ----------------------------------------------------------

  void choosingAFileEnablesUploadAndHelp() {
    WindowUnderTest w;
    QString filter;
    QString suffix;
    w.window->SetFileChooser([&](QFileDialog& dialog) {
      filter = dialog.nameFilters().join(QLatin1Char(';'));
      suffix = dialog.defaultSuffix();
      return QString();
    });
    w.Find<QPlainTextEdit>("meLog")->setPlainText(QStringLiteral("kept"));
    w.Button("bbOpen")->click();
    QCOMPARE(filter, QStringLiteral("Plik HEXFW (*.hexfw)"));
    QCOMPARE(suffix, QStringLiteral("hexfw"));
    // Cancelled: nothing changes.
    QVERIFY(!w.Button("bbUpload")->isEnabled());
    QCOMPARE(LogLines(w), QStringList{QStringLiteral("kept")});

    w.Button("DecodeON")->setChecked(false);
    w.window->SetFileChooser([&](QFileDialog& dialog) {
      filter = dialog.nameFilters().join(QLatin1Char(';'));
      return QStringLiteral("/some/where/module.hex");
    });
    w.Button("bbOpen")->click();
    QCOMPARE(filter, QStringLiteral("Plik HEX (*.hex)"));
    QVERIFY(w.Button("bbUpload")->isEnabled());
    QVERIFY(w.Button("Button3")->isEnabled());
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("module.hex"));
    QVERIFY(LogLines(w).isEmpty());
  }

  void theFileDialogStartsInTheLastFilesFolder() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("firmware")));
    const QString folder = dir.filePath(QStringLiteral("firmware"));
    w.window->ChooseFirmwareFile(folder + QStringLiteral("/one.hexfw"));
    QString shown;
    w.window->SetFileChooser([&](QFileDialog& dialog) {
      shown = dialog.directory().absolutePath();
      return QString();
    });
    w.Button("bbOpen")->click();
    QCOMPARE(shown, QDir(folder).absolutePath());
    // Remembered for the next start too.
    WindowUnderTest next(/*keepSettings=*/true);
    next.window->SetFileChooser([&](QFileDialog& dialog) {
      shown = dialog.directory().absolutePath();
      return QString();
    });
    next.Button("bbOpen")->click();
    QCOMPARE(shown, QDir(folder).absolutePath());
  }

  void noPopupOutlivesTheFileDialog() {
    QTemporaryDir dir;
    for (const char* name : {"fw-one.hex", "fw-two.hex", "fw-three.hex"})
      WriteFile(dir.filePath(QLatin1String(name)), "x");
    WindowUnderTest w;
    auto* dialog = w.window->findChild<QFileDialog*>(QStringLiteral("odOpen"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(dir.path());
    bool popupShown = false;
    QTimer::singleShot(0, [&] {
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name != nullptr && name->completer() != nullptr) {
        QTest::keyClicks(name, QStringLiteral("fw-t"));
        // The completer offers the matching names in a popup (its model
        // fills from the disk in the background).
        QCompleter* completer = name->completer();
        QDeadlineTimer limit(10000);
        while (!limit.hasExpired() && !completer->popup()->isVisible()) {
          completer->complete();
          QTest::qWait(20);
        }
        popupShown = completer->popup()->isVisible();
        if (!popupShown)
          qWarning("completer: prefix '%s', %d completions", qPrintable(completer->completionPrefix()),
                   completer->completionCount());
      }
      dialog->reject();
    });
    QCOMPARE(ui::TfrmMain::RunFileDialog(*dialog), QString());
    QVERIFY(popupShown);
    QApplication::processEvents();
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
  }

  // --- Dropped files ------------------------------------------------------------

  void aDroppedFileIsOpenedAsTheOpenButtonWould() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString firmware = dir.filePath(QStringLiteral("dropped.hexfw"));
    WriteFile(firmware, "x");
    w.Find<QPlainTextEdit>("meLog")->setPlainText(QStringLiteral("earlier"));
    QVERIFY(Drop(w, {firmware}));
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("dropped.hexfw"));
    QVERIFY(w.Button("bbUpload")->isEnabled());
    QVERIFY(w.Button("Button3")->isEnabled());
    QVERIFY(LogLines(w).isEmpty());  // cleared, as the open button does
    QCOMPARE(Q(w.window->Shared().firmwareFileName), firmware);
  }

  void dropsThatAreNotOneFileAreRefused() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString a = dir.filePath(QStringLiteral("a.hexfw"));
    const QString b = dir.filePath(QStringLiteral("b.hexfw"));
    WriteFile(a, "x");
    WriteFile(b, "x");
    QVERIFY(!Drop(w, {a, b}));
    QVERIFY(!Drop(w, {dir.path()}));  // a folder
    QVERIFY(!Drop(w, {dir.filePath(QStringLiteral("missing.hexfw"))}));
    QCOMPARE(LogLines(w).constFirst(), Q(Message(Language::English, MessageRole::msgFileReadError)));
    QVERIFY(!w.Button("bbUpload")->isEnabled());
    QVERIFY(w.window->Shared().firmwareFileName.empty());
    // Nor during an operation.
    bool tried = false;
    QTimer::singleShot(0, [&] {
      tried = true;
      QVERIFY(!Drop(w, {a}));
    });
    w.Button("Button2")->click();
    QVERIFY(tried);
    QVERIFY(w.window->Shared().firmwareFileName.empty());
  }

  // --- Help -----------------------------------------------------------------------

  void helpShowsTheFilesHelpLines() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("DecodeON")->setChecked(false);
    const QString file = dir.filePath(QStringLiteral("help.hex"));
    WriteFile(file, ":00000001FF\n;First line\n;\n ;not help\n;Zażółć\n");
    w.window->ChooseFirmwareFile(file);
    w.Button("Button3")->click();
    ui::TForm1& help = w.window->HelpWindow();
    QVERIFY(help.isVisible());
    QCOMPARE(help.windowTitle(), QStringLiteral("Help"));
    QCOMPARE(help.Memo()->toPlainText(), QStringLiteral("First line\n\nZażółć"));
    // A second click shows the help once, in the language applied last.
    w.window->zmiana_jezyka('0');
    w.Button("Button3")->click();
    QCOMPARE(help.windowTitle(), QStringLiteral("Pomoc"));
    QCOMPARE(help.Memo()->blockCount(), 3);
    help.close();
  }

  void helpOfAMissingFileIsAReadError() {
    WindowUnderTest w;
    w.window->ChooseFirmwareFile(QStringLiteral("/nonexistent/firmware.hexfw"));
    w.Button("Button3")->click();
    QCOMPARE(LogLines(w), QStringList{Q(Message(Language::English, MessageRole::msgFileReadError))});
    QVERIFY(!w.window->HelpWindow().isVisible());
  }

  void helpWindowGoesBesideTheMainWindow() {
    using ui::TForm1;
    const QRect screen(0, 0, 1920, 1080);
    const QSize help(366, 315);
    // Room on the right: to the right, tops level.
    QCOMPARE(TForm1::PositionBeside(QRect(100, 200, 470, 380), help, screen), QPoint(578, 200));
    // No room on the right: to the left.
    QCOMPARE(TForm1::PositionBeside(QRect(1400, 200, 470, 380), help, screen), QPoint(1026, 200));
    // Near the bottom: lifted to stay on the screen.
    QCOMPARE(TForm1::PositionBeside(QRect(100, 900, 470, 380), help, screen).y(), 1080 - 315);
    // A maximised window: over it, kept on the screen.
    const QPoint over = TForm1::PositionBeside(screen, help, screen);
    QVERIFY(screen.contains(QRect(over, help)));
  }

  void helpShownBesideTheWindowNotAtAFixedPlace() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("DecodeON")->setChecked(false);
    const QString file = dir.filePath(QStringLiteral("help.hex"));
    WriteFile(file, ":00000001FF\n;Line\n");
    w.window->move(40, 60);
    QTRY_COMPARE(w.window->pos(), QPoint(40, 60));
    w.window->ChooseFirmwareFile(file);
    w.Button("Button3")->click();
    ui::TForm1& help = w.window->HelpWindow();
    QVERIFY(help.isVisible());
    const QRect screen = w.window->screen()->availableGeometry();
    const QPoint expected =
        ui::TForm1::PositionBeside(w.window->frameGeometry(), help.frameGeometry().size(), screen);
    QCOMPARE(help.frameGeometry().topLeft(), expected);
    QVERIFY(expected != QPoint(345, 204));  // where TForm1 is made
    // Moved with the window: the next showing follows it.
    help.close();
    w.window->move(10, 20);
    QTRY_COMPARE(w.window->pos(), QPoint(10, 20));
    w.Button("Button3")->click();
    QCOMPARE(help.frameGeometry().topLeft(),
             ui::TForm1::PositionBeside(w.window->frameGeometry(), help.frameGeometry().size(), screen));
    help.close();
  }

  void helpThatIsNotUtf8IsReadInTheLanguagesCodePage() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("DecodeON")->setChecked(false);
    const QString file = dir.filePath(QStringLiteral("help.hex"));
    // "Помощь" in Windows-1251; the same bytes in 1250 read otherwise.
    WriteFile(file, ":00000001FF\n;\xCF\xEE\xEC\xEE\xF9\xFC\n");
    w.window->ChooseFirmwareFile(file);
    ui::TForm1& help = w.window->HelpWindow();
    w.window->SelectLanguage(Language::Russian);
    w.Button("Button3")->click();
    QCOMPARE(help.Memo()->toPlainText(), QStringLiteral("Помощь"));
    w.window->SelectLanguage(Language::Polish);
    w.Button("Button3")->click();
    QCOMPARE(help.Memo()->toPlainText(), Q(Windows1250Text()));
    help.close();
  }

 private:
  static std::string Windows1250Text() { return "Ďîěîůü"; }
};

QTEST_MAIN(TestWindowFiles)
#include "test_window_files.moc"

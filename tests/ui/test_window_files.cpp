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
#include "texts/WindowTexts.h"
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
    QCOMPARE(filter, QStringLiteral("HEXFW firmware files (*.hexfw);Intel HEX files (*.hex);All files (*)"));
    QCOMPARE(suffix, QStringLiteral("hexfw"));
    // Cancelled: nothing changes.
    QVERIFY(!w.Button("bbUpload")->isEnabled());
    QCOMPARE(LogLines(w), QStringList{QStringLiteral("kept")});

    // Plain HEX first when the upload reads plain files; in the window's language.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("module.hex"));
    WriteFile(file, ":020000040000FA\n:10020000000102030405060708090A0B0C0D0E0F76\n:00000001FF\n");
    w.Button("DecodeON")->setChecked(false);
    w.window->SelectLanguage(Language::Czech);
    w.window->SetFileChooser([&](QFileDialog& dialog) {
      filter = dialog.nameFilters().join(QLatin1Char(';'));
      return file;
    });
    w.Button("bbOpen")->click();
    QCOMPARE(filter, QStringLiteral("Soubory Intel HEX (*.hex);Soubory firmwaru HEXFW (*.hexfw);Všechny soubory (*)"));
    QVERIFY(w.Button("bbUpload")->isEnabled());
    QVERIFY(w.Button("Button3")->isEnabled());
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("module.hex"));
    // What the file holds, as `canalarm info` says it.
    QCOMPARE(LogLines(w), QStringList{QStringLiteral("Soubor obsahuje FLASH po 0x020F a EEPROM po \u2014")});
  }

  // A file the upload would refuse is refused when it is opened, with the
  // reason `canalarm info` gives; the file chosen before stays chosen.
  void aFileThatWouldNotLoadIsRefusedWithItsReason_data() {
    QTest::addColumn<bool>("decode");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << false << QByteArray() << "failed: the file ends before the end record :00000001FF";
    QTest::newRow("binary") << false << QByteArray("\x7F" "ELF\x02\x01\x01\x00", 8)
                            << "failed at line 1: not a data or extended address record";
    QTest::newRow("checksum") << false << QByteArray(":020000040000FA\n:10020000000102030405060708090A0B0C0D0E0F77\n")
                              << "failed at line 2: checksum mismatch";
    QTest::newRow("plain file read as encoded") << true << QByteArray(":00000001FF\n")
                                                << "failed at line pair 1: not a data or extended address record";
  }
  void aFileThatWouldNotLoadIsRefusedWithItsReason() {
    QFETCH(bool, decode);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    w.Button("DecodeON")->setChecked(decode);
    const QString file = dir.filePath(QStringLiteral("refused.hex"));
    WriteFile(file, bytes.toStdString());
    QVERIFY(!w.window->OpenFirmwareFile(file));
    QCOMPARE(LogLines(w), (QStringList{Q(FillIn(Text(Language::English, WindowText::FileRefused), reason.toStdString())),
                                       QDir::toNativeSeparators(file)}));
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("one-block.hex"));
    QVERIFY(Q(w.window->Shared().firmwareFileName).endsWith(QStringLiteral("one-block.hex")));
  }

  // A file that puts a version text where the module keeps its own says so.
  void theFilesVersionTextIsShown() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString file = dir.filePath(QStringLiteral("versioned.hex"));
    w.Button("DecodeON")->setChecked(false);
    // Built record by record: "FW 2.4 TEST" and blanks at 0xF0.
    std::string text = ":020000040000FA\n:10020000000102030405060708090A0B0C0D0E0F76\n:0200000400F00A\n";
    const std::string version = "FW 2.4 TEST     ";
    std::vector<std::uint8_t> record{16, 0x00, 0xF0, 0x00};
    record.insert(record.end(), version.begin(), version.end());
    unsigned sum = 0;
    for (std::uint8_t b : record) sum += b;
    record.push_back(static_cast<std::uint8_t>(-sum));
    text += ":";
    for (std::uint8_t b : record) text += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper().toStdString();
    text += "\n:00000001FF\n";
    WriteFile(file, text);
    QVERIFY(w.window->OpenFirmwareFile(file));
    QCOMPARE(LogLines(w), (QStringList{QStringLiteral("The file holds FLASH up to 0x020F and EEPROM up to 0xFF"),
                                       QStringLiteral("Version in the file: FW 2.4 TEST")}));
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
    const QString firmware = dir.filePath(QStringLiteral("dropped.hex"));
    WriteFile(firmware, ":00000001FF\n");
    w.Button("DecodeON")->setChecked(false);
    w.Find<QPlainTextEdit>("meLog")->setPlainText(QStringLiteral("earlier"));
    QVERIFY(Drop(w, {firmware}));
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("dropped.hex"));
    QVERIFY(w.Button("bbUpload")->isEnabled());
    QVERIFY(w.Button("Button3")->isEnabled());
    // Cleared, as the open button does, then what the file holds.
    QCOMPARE(LogLines(w), QStringList{QStringLiteral("The file holds FLASH up to \u2014 and EEPROM up to \u2014")});
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

  void helpOfAFileThatWentMissingIsAReadError() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("one-block.hex"))));
    w.Button("Button3")->click();
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgFileReadError)));
    QVERIFY(!w.window->HelpWindow().isVisible());
  }

  // Help on a file without help lines says so instead of an empty window.
  void helpOfAFileWithoutHelpSaysSo() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    w.window->SelectLanguage(Language::Hungarian);
    w.Button("Button3")->click();
    QCOMPARE(LogLines(w).constLast(), Q(Text(Language::Hungarian, WindowText::NoHelpText)));
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

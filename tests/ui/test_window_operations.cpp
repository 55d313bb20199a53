// SPDX-License-Identifier: MIT
// The window's commands, against a module that answers at once: read and
// write of the parameters, the version read, the upload and its effect on
// the write, Cancel, one operation at a time with only Cancel live, the
// progress bars' text, and errors shown through the handlers' wrapper.
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QTextBlock>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowTestSupport.h"
#include "link/LinkProtocol.h"
#include "params/ParameterBlock.h"
#include "ui/TForm1.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "texts/WindowTexts.h"
#include "ui/TSpinButton.h"
#include "ui/WindowLinkHost.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

QString Status(const WindowUnderTest& w) { return w.Find<QLineEdit>("Edit3")->text(); }

QString English(MessageRole role) { return Q(Message(Language::English, role)); }

int CountPackets(const ScriptedModulePort& module, std::uint8_t command) {
  int count = 0;
  for (const auto& packet : module.packets) count += packet[0] == command ? 1 : 0;
  return count;
}

// Runs `action` from the event loop as soon as the running operation pumps.
void DuringTheOperation(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

// The controls that start an operation or change its settings.
const char* const kStartControls[] = {"bbOpen",       "bbUpload",     "Button2",     "Button3",
                                      "BitBtn1",      "BitBtn2",      "cbPort",      "RadioButton1",
                                      "RadioButton2", "RadioButton3", "cbLanguage"};

QStringList EnabledOf(const WindowUnderTest& w) {
  QStringList enabled;
  for (const char* name : kStartControls)
    if (w.Find(name)->isEnabled()) enabled << QLatin1String(name);
  if (w.Find("Button1")->isEnabled()) enabled << QStringLiteral("Button1");
  return enabled;
}

// Three FLASH blocks from 0x200, no EEPROM data.
bool OpenThreeBlockFirmware(const WindowUnderTest& w, const QTemporaryDir& dir) {
  const QString file = dir.filePath(QStringLiteral("three-blocks.hex"));
  WriteFile(file,
            ":020000040000FA\n"
            ":10020000000102030405060708090A0B0C0D0E0F76\n"
            ":10021000000102030405060708090A0B0C0D0E0F66\n"
            ":10022000000102030405060708090A0B0C0D0E0F56\n"
            ":00000001FF\n");
  w.Button("DecodeON")->setChecked(false);
  return w.window->OpenFirmwareFile(file);
}

QString English(WindowText text) { return Q(Text(Language::English, text)); }

// Every control of the window a user can act on that is enabled now.
QStringList OperableEnabled(const WindowUnderTest& w) {
  QStringList enabled;
  for (QWidget* widget : w.Find("PageControl1")->findChildren<QWidget*>()) {
    const bool operable = qobject_cast<QAbstractButton*>(widget) != nullptr ||
                          qobject_cast<QComboBox*>(widget) != nullptr ||
                          qobject_cast<ui::TSpinButton*>(widget) != nullptr ||
                          (qobject_cast<QLineEdit*>(widget) != nullptr &&
                           !static_cast<QLineEdit*>(widget)->isReadOnly());
    if (operable && widget->isVisibleTo(w.window.get()) && widget->isEnabled())
      enabled << widget->objectName();
  }
  return enabled;
}

// The log line that reads `text`, and how it is marked.
QTextBlock LogBlock(const WindowUnderTest& w, const QString& text) {
  const QTextDocument* log = w.Find<QPlainTextEdit>("meLog")->document();
  for (QTextBlock block = log->begin(); block.isValid(); block = block.next())
    if (WithoutTime(block.text()) == text) return block;
  return {};
}
bool Bold(const QTextBlock& block) {
  return block.isValid() && block.begin().fragment().charFormat().fontWeight() == QFont::Bold;
}

// Closes any popup menu, so that a test that wrongly opens one goes on.
struct PopupCloser {
  QTimer timer;
  int closed = 0;
  PopupCloser() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        ++closed;
        popup->close();
      }
    });
    timer.start(20);
  }
};

}  // namespace

class TestWindowOperations : public QObject {
  Q_OBJECT

 private slots:
  void readFillsTheTabAndOffersTheWrite() {
    WindowUnderTest w;
    w.module->eeprom[0x21] = 0x01;
    w.module->eeprom[0x61] = 0x80;
    w.module->eeprom[0x28] = 0x37;
    const std::array<std::uint8_t, 4> pin{1, 2, 3, 4};
    for (std::size_t i = 0; i < 4; ++i) w.module->eeprom[kPinDigitAddresses[i]] = pin[i];
    w.Button("BitBtn2")->click();
    QCOMPARE(Status(w), English(MessageRole::msgDone));
    QVERIFY(w.Button("BitBtn1")->isEnabled());
    QVERIFY(w.Checked("RadioButton23"));
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("1234"));
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), QStringLiteral("37"));
    QCOMPARE(w.Find<QPlainTextEdit>("Memo1")->blockCount(), 16);
    QCOMPARE(w.Find<QLineEdit>("Edit1")->text(), QStringLiteral("OK. Restart CPU..."));
    QVERIFY(w.errors.isEmpty());
  }

  void writeSendsTheTabAndWithdrawsItself() {
    WindowUnderTest w;
    w.Button("BitBtn2")->click();
    QVERIFY(w.Button("BitBtn1")->isEnabled());
    w.Button("RadioButton5")->setChecked(true);  // bit 0 of option byte 1 to 0
    auto* pin = w.Find<QLineEdit>("PIN");
    pin->setText(QStringLiteral("0907"));
    w.Button("BitBtn1")->click();
    QCOMPARE(Status(w), English(MessageRole::msgDone));
    QCOMPARE(CountPackets(*w.module, kCmdWriteEeprom), 16);
    QCOMPARE(int{w.module->eeprom[0x21]}, 0xFE);
    QCOMPARE(int{w.module->eeprom[0x26]}, 0);
    QCOMPARE(int{w.module->eeprom[0x66]}, 9);
    QCOMPARE(int{w.module->eeprom[0x27]}, 0);
    QCOMPARE(int{w.module->eeprom[0x67]}, 7);
    QVERIFY(!w.Button("BitBtn1")->isEnabled());
    QVERIFY(!w.module->IsOpen());
  }

  void incompletePinIsRefusedBeforeThePortOpens() {
    WindowUnderTest w;
    const std::array<std::uint8_t, 4> pin{1, 2, 3, 4};
    for (std::size_t i = 0; i < 4; ++i) w.module->eeprom[kPinDigitAddresses[i]] = pin[i];
    w.Button("BitBtn2")->click();
    auto* field = w.Find<QLineEdit>("PIN");
    field->clear();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("7"));
    QCOMPARE(field->displayText(), QStringLiteral("7   "));
    const int opens = w.module->opens;
    w.Button("BitBtn1")->click();
    QCOMPARE(Status(w), English(MessageRole::msgPinIncomplete));
    QCOMPARE(w.module->opens, opens);
    QCOMPARE(CountPackets(*w.module, kCmdWriteEeprom), 0);
    QVERIFY(w.errors.isEmpty());
    // The window goes on: with four digits the write runs.
    QTest::keyClicks(field, QStringLiteral("907"));
    w.Button("BitBtn1")->click();
    QCOMPARE(CountPackets(*w.module, kCmdWriteEeprom), 16);
    QCOMPARE(int{w.module->eeprom[0x26]}, 7);
    QCOMPARE(int{w.module->eeprom[0x67]}, 7);
  }

  void moduleWithoutPinIsSaidAndKeepsItsBytes() {
    WindowUnderTest w;  // the scripted module is erased: PIN bytes FF
    w.Button("BitBtn2")->click();
    // The erased program byte is said too.
    QCOMPARE(Status(w), English(MessageRole::msgNoPinSet) + QStringLiteral(" \u2014 ") +
                            Q(FillIn(Text(Language::English, WindowText::NoProgramNumber), "FF")));
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("    "));
    w.Button("CheckBox2")->click();
    w.Button("BitBtn1")->click();
    QCOMPARE(Status(w), English(MessageRole::msgDone));
    QCOMPARE(CountPackets(*w.module, kCmdWriteEeprom), 16);
    for (std::uint8_t address : kPinDigitAddresses) QCOMPARE(int{w.module->eeprom[address]}, 0xFF);
  }

  // A Cancel clicked while a packet's acknowledgement is on its way used to
  // be overwritten by the next packet's wait: the upload went on.
  void cancelBetweenTwoPacketsStopsTheUpload() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    int writes = 0;
    w.module->onPacket = [&](const std::vector<std::uint8_t>& header) {
      if (header[0] == kCmdWriteFlash && ++writes == 5)
        DuringTheOperation([&w] { w.Button("Button1")->click(); });
    };
    w.Button("bbUpload")->click();
    QCOMPARE(CountPackets(*w.module, kCmdWriteFlash), 5);
    QCOMPARE(CountPackets(*w.module, kCmdReset), 0);
    const QStringList log = LogLines(w);
    QCOMPARE(log.mid(log.size() - 2),
             (QStringList{English(MessageRole::msgCancelled),
                          English(MessageRole::msgIncompleteFirmware)}));
  }

  // The answer to the wake-up is read before the pass pumps events: a Cancel
  // taken in that pass must still keep the first block from being written.
  void cancelDuringTheWakeUpWritesNothing() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    DuringTheOperation([&w] { w.Button("Button1")->click(); });
    w.Button("bbUpload")->click();
    QCOMPARE(CountPackets(*w.module, kCmdWriteFlash), 0);
    QCOMPARE(LogLines(w).last(), English(MessageRole::msgCancelled));
    QVERIFY(!w.module->IsOpen());
  }

  void versionReadLogsTheVersionInTheCurrentLanguage() {
    WindowUnderTest w;
    const std::string version = "CANALARM v1.23  ";
    std::copy(version.begin(), version.end(), w.module->eeprom.begin() + 0xF0);
    w.Button("DeviceID")->setChecked(true);
    w.window->zmiana_jezyka('0');
    w.Button("Button2")->click();
    const QStringList expected{Q(Message(Language::Polish, MessageRole::msgSearching)),
                               QStringLiteral("OK"), QStringLiteral("Device ID: 34:12"),
                               QStringLiteral("Wersja programu: CANALARM v1.23  "),
                               Q(Message(Language::Polish, MessageRole::msgDone))};
    QCOMPARE(LogLines(w), expected);
  }

  void noBootloaderAndCancelEndTheRead_data() {
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("status");
    QTest::newRow("no answer") << false << English(MessageRole::msgNoBootloader);
    QTest::newRow("cancel") << true << English(MessageRole::msgCancelled);
  }
  void noBootloaderAndCancelEndTheRead() {
    QFETCH(bool, cancel);
    QFETCH(QString, status);
    WindowUnderTest w;
    w.ModuleAnswers(false);
    if (cancel) DuringTheOperation([&w] { w.Button("Button1")->click(); });
    w.Button("BitBtn2")->click();
    QCOMPARE(Status(w), status);
    QVERIFY(!w.module->IsOpen());
    QVERIFY(!w.Button("BitBtn1")->isEnabled());
    QVERIFY(!w.Find<QTimer>("TimeoutTicker")->isActive());
  }

  void portThatDoesNotOpenIsReported() {
    WindowUnderTest w;
    w.module->failOpen = true;
    w.Button("BitBtn2")->click();
    // The reason is in the tab itself.
    QCOMPARE(Status(w), Q(FillIn(Text(Language::English, WindowText::PortOpenFailed),
                                 UnopenedCom1Detail().toStdString())));
    // The line shows the status's beginning: one longer than the line (as
    // this is on Linux) would otherwise show its end.
    QCOMPARE(w.Find<QLineEdit>("Edit3")->cursorPosition(), 0);
    w.Button("Button2")->click();
    // The message, then what the port is and why it did not open.
    QCOMPARE(LogLines(w), (QStringList{English(MessageRole::msgPortOpenError), UnopenedCom1Detail()}));
    QVERIFY(w.errors.isEmpty());
  }

  void clicksDuringAnOperationAreIgnored() {
    WindowUnderTest w;
    w.ModuleAnswers(false);
    DuringTheOperation([&w] {
      w.Button("Button2")->click();   // version read
      w.Button("BitBtn2")->click();   // a second parameter read
      w.Button("bbOpen")->click();    // the file dialog
      w.Button("Button1")->click();   // Cancel still works
    });
    bool dialogRan = false;
    w.window->SetFileChooser([&dialogRan](QFileDialog&) {
      dialogRan = true;
      return QString();
    });
    w.Button("BitBtn2")->click();
    QCOMPARE(w.module->opens, 1);
    QVERIFY(!dialogRan);
    QVERIFY(LogLines(w).isEmpty());
    QCOMPARE(Status(w), English(MessageRole::msgCancelled));
  }

  void closingDuringAnOperationCancelsItAndClosesAfterwards() {
    WindowUnderTest w;
    w.ModuleAnswers(false);
    DuringTheOperation([&w] { w.window->close(); });
    w.Button("BitBtn2")->click();
    QCOMPARE(Status(w), English(MessageRole::msgCancelled));
    QTRY_VERIFY(!w.window->isVisible());
  }

  void uploadTakesTheWriteAway() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("BitBtn2")->click();
    QVERIFY(w.Button("BitBtn1")->isEnabled());
    // A file that loaded when opened and was spoiled afterwards.
    QVERIFY(OpenOneBlockFirmware(w, dir));
    WriteFile(dir.filePath(QStringLiteral("one-block.hex")), "not a firmware file\n");
    w.Button("bbUpload")->click();
    QCOMPARE(LogLines(w), QStringList{English(MessageRole::msgFileReadError)});
    QVERIFY(!w.Button("BitBtn1")->isEnabled());
  }

  void uploadWritesFlashAndEeprom() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("DecodeON")->setChecked(false);
    w.Button("All_memory")->setChecked(false);
    const QString file = dir.filePath(QStringLiteral("small.hex"));
    WriteFile(file,
              ":020000040000FA\n"
              ":10020000000102030405060708090A0B0C0D0E0F76\n"
              ":0200000400F00A\n"
              ":0100000042BD\n"
              ":00000001FF\n");
    w.window->ChooseFirmwareFile(file);
    w.Button("bbUpload")->click();
    // The module's EEPROM is read and saved before the first write.
    QStringList lines = LogLines(w);
    QCOMPARE(lines.size(), 7);
    QVERIFY(lines.takeAt(3).startsWith(English(MessageRole::msgBackupSaved) + QStringLiteral(": ")));
    const QStringList expected{English(MessageRole::msgSearching), QStringLiteral("OK"),
                               English(MessageRole::msgSavingBackup),
                               English(MessageRole::msgWritingFlash),
                               English(MessageRole::msgWritingEeprom), English(MessageRole::msgDone)};
    QCOMPARE(lines, expected);
    QCOMPARE(CountPackets(*w.module, kCmdWriteFlash), 1);
    QCOMPARE(CountPackets(*w.module, kCmdWriteEeprom), 1);
    QCOMPARE(int{w.module->eeprom[0]}, 0x42);
    QCOMPARE(CountPackets(*w.module, kCmdReset), 1);
  }

  // --- Running state ------------------------------------------------------------

  void onlyCancelIsLiveWhileAnOperationRuns_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("upload") << QStringLiteral("bbUpload");
    QTest::newRow("version") << QStringLiteral("Button2");
    QTest::newRow("read") << QStringLiteral("BitBtn2");
    QTest::newRow("write") << QStringLiteral("BitBtn1");
  }

  void onlyCancelIsLiveWhileAnOperationRuns() {
    QFETCH(QString, button);
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    w.Button("BitBtn2")->click();  // makes the write available
    QCOMPARE(EnabledOf(w), (QStringList{"bbOpen", "bbUpload", "Button2", "Button3", "BitBtn1",
                                        "BitBtn2", "cbPort", "RadioButton1", "RadioButton2",
                                        "RadioButton3", "cbLanguage"}));
    QStringList during;
    int pumps = 0;
    // Seen at every pump of the operation's waits.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      ++pumps;
      const QString now = EnabledOf(w).join(QLatin1Char(','));
      if (during.isEmpty() || now != during.constLast()) during << now;
    });
    probe.start(0);
    w.Button(button.toLatin1().constData())->click();
    probe.stop();
    QVERIFY(pumps > 0);
    QCOMPARE(during, QStringList{QStringLiteral("Button1")});
    QVERIFY(!w.Find("Button1")->isEnabled());
    QVERIFY(w.errors.isEmpty());
    // Afterwards as the rules say: the write stays offered after a read only.
    const bool writeOffered = button == QStringLiteral("BitBtn2") || button == QStringLiteral("Button2");
    QCOMPARE(w.Find("BitBtn1")->isEnabled(), writeOffered);
    QVERIFY(w.Find("bbUpload")->isEnabled());
    QVERIFY(w.Find("cbLanguage")->isEnabled());
  }

  void cancelIsOffAtStartAndWorksDuringAnOperation() {
    WindowUnderTest w;
    QVERIFY(!w.Find("Button1")->isEnabled());
    w.ModuleAnswers(false);
    QTimer::singleShot(0, [&] { w.Button("Button1")->click(); });
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgCancelled)));
    QVERIFY(!w.Find("Button1")->isEnabled());
    QVERIFY(w.Find("Button2")->isEnabled());
  }

  // While the link runs every control but Cancel is held, Cancel has the
  // focus, and every path that opens a dialog, a menu or a window refuses:
  // such a loop would hold the transfer.
  void noDialogOpensWhileTheLinkRuns_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("upload") << QStringLiteral("bbUpload");
    QTest::newRow("version") << QStringLiteral("Button2");
    QTest::newRow("read") << QStringLiteral("BitBtn2");
  }
  void noDialogOpensWhileTheLinkRuns() {
    QFETCH(QString, button);
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    int abouts = 0, files = 0, saves = 0;
    w.window->SetAboutPresenter([&](const QString&, const QString&) { ++abouts; });
    w.window->SetFileChooser([&](QFileDialog&) { ++files; return QString(); });
    w.window->SetSaveFileChooser([&](QWidget*, const QString&) { ++saves; return QString(); });
    PopupCloser popups;
    auto* start = w.Button(button.toLatin1().constData());
    start->setFocus();
    QStringList enabledDuring;
    QWidget* focusDuring = nullptr;
    QStringList refused;
    bool ran = false;
    DuringTheOperation([&] {
      ran = true;
      enabledDuring = OperableEnabled(w);
      focusDuring = QApplication::focusWidget();
      if (!w.window->findChild<QAction*>(QStringLiteral("actAbout"))->isEnabled()) refused << "actAbout";
      w.window->findChild<QAction*>(QStringLiteral("actAbout"))->trigger();
      w.window->ShowAbout();
      if (!w.window->ShowLogMenuAt(QPoint(10, 10))) refused << "log menu";
      if (!w.window->ShowWindowMenuAt(QPoint(10, 10))) refused << "window menu";
      // A right click on any field: no context menu opens.
      auto* edit = w.Find<QLineEdit>("Edit2");
      QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
      QApplication::sendEvent(edit, &click);
      if (QApplication::activePopupWidget() == nullptr) refused << "field menu";
      w.window->bbOpenClick();
      w.window->Button3Click();
      // An error meanwhile is logged, not shown in a box.
      w.window->Guard().Run([] { throw std::runtime_error("late error"); });
    });
    start->click();
    QVERIFY(ran);
    QCOMPARE(enabledDuring, QStringList{QStringLiteral("Button1")});
    QCOMPARE(focusDuring, w.Find("Button1"));
    QCOMPARE(refused, (QStringList{"actAbout", "log menu", "window menu", "field menu"}));
    QCOMPARE(abouts + files + saves + popups.closed, 0);
    QVERIFY(!w.window->HelpWindow().isVisible());
    QVERIFY(w.errors.isEmpty());
    QVERIFY(LogLines(w).contains(QStringLiteral("late error")) ||
            Status(w) != QString());  // the parameters tab's run logs too
    QVERIFY2(w.Find<QPlainTextEdit>("meLog")->toPlainText().contains(QStringLiteral("late error")),
             qPrintable(w.Find<QPlainTextEdit>("meLog")->toPlainText()));
    // Afterwards the same paths work again, and the focus is back.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(start));
    w.window->ShowAbout();
    QCOMPARE(abouts, 1);
    QVERIFY(w.Find("btnAbout")->isEnabled());
  }

  // A write is not ended by a close: the first close says what runs, the
  // second cancels it, and the window stays to show the result.
  void closingDuringAWriteWarnsFirstAndCancelsSecond() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenThreeBlockFirmware(w, dir));
    bool stillRunning = false;
    int writes = 0;
    // The first close after the first block, the second after the next.
    w.module->onPacket = [&](const std::vector<std::uint8_t>& header) {
      if (header[0] != kCmdWriteFlash) return;
      ++writes;
      if (writes == 1) {
        DuringTheOperation([&] {
          w.window->close();
          stillRunning = w.window->LinkRunning() && w.window->isVisible();
        });
      } else if (writes == 2) {
        DuringTheOperation([&] { w.window->close(); });
      }
    };
    w.Button("bbUpload")->click();
    QVERIFY(stillRunning);
    const QStringList log = LogLines(w);
    QVERIFY2(log.contains(English(WindowText::CloseWhileWriting)), qPrintable(log.join('\n')));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{English(MessageRole::msgCancelled),
                                                   English(MessageRole::msgIncompleteFirmware)}));
    QVERIFY(w.window->isVisible());
    QCOMPARE(CountPackets(*w.module, kCmdReset), 0);
    // Idle, a close closes.
    w.window->close();
    QVERIFY(!w.window->isVisible());
  }

  // A port that goes away mid-upload ends it in words, in the window's
  // language: what was left in the module, the cause and what to do.
  void lostPortEndsTheUploadInWords() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.window->SelectLanguage(Language::German);
    QVERIFY(OpenThreeBlockFirmware(w, dir));
    int writes = 0;
    w.module->onPacket = [&](const std::vector<std::uint8_t>& header) {
      if (header[0] == kCmdWriteFlash && ++writes == 2)
        throw serl::ESerialIO("The device is not connected.", -serl::sysDeviceNotConnected);
    };
    w.Button("bbUpload")->click();
    QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join('\n')));
    const QStringList log = LogLines(w);
    const Language de = Language::German;
    QCOMPARE(log.mid(log.size() - 2), (QStringList{Q(Message(de, MessageRole::msgIncompleteFirmware)),
                                                   Q(Text(de, WindowText::PortLost))}));
    QVERIFY(Bold(LogBlock(w, Q(Text(de, WindowText::PortLost)))));
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    QCOMPARE(bar->value(), bar->minimum());
    QCOMPARE(bar->text(), Q(Text(de, WindowText::ResultFailed)));
    QVERIFY(!w.window->LinkRunning());
    QVERIFY(w.Find("bbUpload")->isEnabled());
  }

  // After an operation the bar says at a glance how it ended; failures and
  // warnings stand out in the log, and "no bootloader" says what to check.
  void theResultShowsAtAGlance_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lastLines");
    QTest::newRow("done") << true << false << 100 << English(WindowText::ResultDone)
                          << English(MessageRole::msgDone);
    QTest::newRow("no bootloader") << false << false << 0 << English(WindowText::ResultFailed)
                                   << English(MessageRole::msgNoBootloader) + "|" +
                                          English(WindowText::NoBootloaderHint);
    QTest::newRow("cancelled") << false << true << 0 << English(WindowText::ResultCancelled)
                               << English(MessageRole::msgCancelled);
  }
  void theResultShowsAtAGlance() {
    QFETCH(bool, answer);
    QFETCH(bool, cancel);
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(QString, lastLines);
    WindowUnderTest w;
    w.ModuleAnswers(answer);
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    bool busyWhileWaiting = false;
    // Events are pumped from the restart pulse on; the wait for the
    // bootloader begins after it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (bar->maximum() != 0) return;
      watch.stop();
      busyWhileWaiting = bar->minimum() == 0 && bar->format() == English(WindowText::Waiting);
      if (cancel) w.Button("Button1")->click();
    });
    watch.start(0);
    w.Button("Button2")->click();
    watch.stop();
    QVERIFY(busyWhileWaiting);
    QCOMPARE(bar->value(), value);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->text(), text);
    const QStringList last = lastLines.split('|');
    QCOMPARE(LogLines(w).mid(LogLines(w).size() - last.size()), last);
    // The outcome's own line stands out; an ordinary line does not.
    QVERIFY(Bold(LogBlock(w, last.constFirst())));
    QVERIFY(!Bold(LogBlock(w, English(MessageRole::msgSearching))));
    QVERIFY(LogBlock(w, last.constFirst()).begin().fragment().charFormat().foreground().color() !=
            w.Find("meLog")->palette().color(QPalette::Text));
    // The next operation starts afresh.
    w.ModuleAnswers(true);
    w.Button("Button2")->click();
    QCOMPARE(bar->text(), English(WindowText::ResultDone));
  }

  // Before a read the tab says nothing was read; a program byte that is no
  // program number is said, not shown bare.
  void theParametersTabSaysWhatItHolds_data() {
    QTest::addColumn<int>("programByte");
    QTest::addColumn<QString>("status");
    QTest::newRow("valid") << 0x42 << English(MessageRole::msgDone);
    QTest::newRow("stray") << 0xD7 << Q(FillIn(Text(Language::English, WindowText::NoProgramNumber), "D7"));
    QTest::newRow("erased") << 0xFF << Q(FillIn(Text(Language::English, WindowText::NoProgramNumber), "FF"));
    QTest::newRow("zero digit") << 0x30 << Q(FillIn(Text(Language::English, WindowText::NoProgramNumber), "30"));
  }
  void theParametersTabSaysWhatItHolds() {
    QFETCH(int, programByte);
    QFETCH(QString, status);
    WindowUnderTest w;
    QCOMPARE(Status(w), Q(FillIn(Text(Language::English, WindowText::NothingRead), "Reading")));
    w.window->SelectLanguage(Language::Polish);
    QCOMPARE(Status(w), Q(FillIn(Text(Language::Polish, WindowText::NothingRead), "Odczyt")));
    w.window->SelectLanguage(Language::English);
    const std::array<std::uint8_t, 4> pin{1, 2, 3, 4};
    for (std::size_t i = 0; i < 4; ++i) w.module->eeprom[kPinDigitAddresses[i]] = pin[i];
    w.module->eeprom[0x28] = static_cast<std::uint8_t>(programByte);
    w.Button("BitBtn2")->click();
    QCOMPARE(Status(w), status);
    // Read once, a language change keeps what the read said.
    w.window->SelectLanguage(Language::English);
    QCOMPARE(Status(w), status);
  }

  void theLogWraps() {
    WindowUnderTest w;
    QCOMPARE(w.Find<QPlainTextEdit>("meLog")->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  }

  // --- Progress -------------------------------------------------------------------

  void progressShowsPercentAndTimeLeft() {
    WindowUnderTest w;
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    QVERIFY(bar->isTextVisible());
    ui::WindowLinkHost& host = w.window->Host();
    auto now = ui::ProgressTimeLeft::Clock::time_point{} + std::chrono::hours(1);
    host.SetBarClock([&] { return now; });
    host.ShowTimeLeft(true);
    host.SetProgress(ProgressBarId::Programming, 32, 132, 32);
    QCOMPARE(bar->text(), QStringLiteral("0%"));
    now += std::chrono::seconds(2);
    host.SetProgress(ProgressBarId::Programming, 32, 132, 52);  // 10 blocks a second
    QCOMPARE(bar->text(), QStringLiteral("20% · 0:08 left"));
    w.window->SelectLanguage(Language::Polish);
    now += std::chrono::seconds(6);
    host.SetProgress(ProgressBarId::Programming, 32, 132, 112);
    QCOMPARE(bar->text(), QStringLiteral("80% · zostało 0:02"));
    // A new phase (the EEPROM) measures afresh.
    host.SetProgress(ProgressBarId::Programming, 0, 16, 0);
    QCOMPARE(bar->text(), QStringLiteral("0%"));
    // The version read shows the percentage only.
    host.ShowTimeLeft(false);
    now += std::chrono::seconds(2);
    host.SetProgress(ProgressBarId::Programming, 0, 16, 8);
    QCOMPARE(bar->text(), QStringLiteral("50%"));
  }

  void anUploadShowsItsProgressAsText() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    QStringList texts;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] { texts << bar->text(); });
    w.Button("bbUpload")->click();
    QVERIFY(!texts.isEmpty());
    for (const QString& text : texts)
      QVERIFY2(text.contains(QLatin1Char('%')) || text == English(WindowText::Waiting) ||
                   text == English(WindowText::ResultDone),
               qPrintable(text));
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgDone)));
    QCOMPARE(bar->text(), English(WindowText::ResultDone));  // no time left once it ended
  }

  // --- The countdown's ticks and waits --------------------------------------------

  // The ticker's handler and Cancel keep the countdown's rules even when a
  // timeout was already queued.
  void tickerStopsAtZeroAndAfterCancel() {
    WindowUnderTest w;
    ui::WindowLinkHost& host = w.window->Host();
    auto* ticker = w.Find<QTimer>("TimeoutTicker");
    host.TheCountdown().Arm(2, host.Now());
    host.SyncTicker();
    QVERIFY(ticker->isActive());
    w.window->TimeoutTickerTimer();
    w.window->TimeoutTickerTimer();
    QCOMPARE(host.TheCountdown().Value(), 0);
    QVERIFY(!ticker->isActive());
    w.window->TimeoutTickerTimer();  // a stray timeout
    QCOMPARE(host.TheCountdown().Value(), 0);

    host.TheCountdown().Arm(5, host.Now());
    host.SyncTicker();
    w.window->Button1Click();  // the button itself is live only while an operation runs
    QCOMPARE(host.TheCountdown().Value(), -1);
    QVERIFY(!ticker->isActive());
    w.window->TimeoutTickerTimer();
    QCOMPARE(host.TheCountdown().Value(), -1);
  }

  // A wait with nothing to read sleeps until the next tick instead of spinning.
  void waitingForAByteDoesNotSpin() {
    WindowUnderTest w;
    w.TickAtTheWindowsPace();
    ui::WindowLinkHost& host = w.window->Host();
    w.module->Open();
    host.TheCountdown().Arm(3, host.Now());
    int passes = 0;
    while (host.TheCountdown().Value() > 0 && passes < 100000) {
      host.WaitForActivity(*w.module);
      ++passes;
    }
    QCOMPARE(host.TheCountdown().Value(), 0);
    // Three ticks of 50 ms: a polling loop would make thousands of passes.
    QVERIFY2(passes < 200, qPrintable(QString::number(passes)));
  }
};

QTEST_MAIN(TestWindowOperations)
#include "test_window_operations.moc"

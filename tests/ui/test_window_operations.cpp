// SPDX-License-Identifier: MIT
// The operations hosted by the window, against a module that answers at
// once: read and write of the parameters, the version read, the upload's
// effect on the write, the help, the file choice, Cancel, one operation at a
// time, and errors shown through the handlers' wrapper.
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>

#include "WindowTestSupport.h"
#include "link/LinkProtocol.h"
#include "params/ParameterBlock.h"
#include "ui/TForm1.h"
#include "ui/WindowLinkHost.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

QStringList LogLines(const WindowUnderTest& w) {
  return w.Find<QPlainTextEdit>("meLog")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString Status(const WindowUnderTest& w) { return w.Find<QLineEdit>("Edit3")->text(); }

QString English(MessageRole role) { return Q(Message(Language::English, role)); }

int CountPackets(const ScriptedModulePort& module, std::uint8_t command) {
  int count = 0;
  for (const auto& packet : module.packets) count += packet[0] == command ? 1 : 0;
  return count;
}

// Runs `action` from the event loop as soon as the running operation pumps.
void DuringTheOperation(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

void WriteFile(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString(), std::ios::binary) << text;
}

// Chooses a plain HEX file with one FLASH block (address 0x200) and no EEPROM data.
void ChooseOneFlashBlock(WindowUnderTest& w, const QTemporaryDir& dir) {
  w.Button("DecodeON")->setChecked(false);
  const QString file = dir.filePath(QStringLiteral("small.hex"));
  WriteFile(file,
            ":020000040000FA\n"
            ":10020000000102030405060708090A0B0C0D0E0F76\n"
            ":00000001FF\n");
  w.window->ChooseFirmwareFile(file);
}

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
    QCOMPARE(Status(w), English(MessageRole::msgNoPinSet));
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
    ChooseOneFlashBlock(w, dir);
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
    ChooseOneFlashBlock(w, dir);
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
    w.module->answerWakeUp = false;
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
    QCOMPARE(Status(w), English(MessageRole::msgPortOpenError));
    w.Button("Button2")->click();
    // The message, then what the port is and why it did not open.
    QCOMPARE(LogLines(w), (QStringList{English(MessageRole::msgPortOpenError),
                                       QStringLiteral("COM1 (/nonexistent/canalarm-test): no such device")}));
    QVERIFY(w.errors.isEmpty());
  }

  void clicksDuringAnOperationAreIgnored() {
    WindowUnderTest w;
    w.module->answerWakeUp = false;
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
    w.module->answerWakeUp = false;
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
    const QString file = dir.filePath(QStringLiteral("broken.hexfw"));
    WriteFile(file, "not a firmware file\n");
    w.window->ChooseFirmwareFile(file);
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
    const QStringList expected{English(MessageRole::msgSearching), QStringLiteral("OK"),
                               English(MessageRole::msgWritingFlash),
                               English(MessageRole::msgWritingEeprom), English(MessageRole::msgDone)};
    QCOMPARE(LogLines(w), expected);
    QCOMPARE(CountPackets(*w.module, kCmdWriteFlash), 1);
    QCOMPARE(CountPackets(*w.module, kCmdWriteEeprom), 1);
    QCOMPARE(int{w.module->eeprom[0]}, 0x42);
    QCOMPARE(CountPackets(*w.module, kCmdReset), 1);
  }

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
    QCOMPARE(LogLines(w), QStringList{English(MessageRole::msgFileReadError)});
    QVERIFY(!w.window->HelpWindow().isVisible());
  }

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

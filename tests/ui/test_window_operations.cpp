// SPDX-License-Identifier: MIT
// The window's commands, against a module that answers at once: read and
// write of the parameters, the version read, the upload and its effect on
// the write, Cancel, one operation at a time with only Cancel live, the
// progress bars' text, and errors shown through the handlers' wrapper.
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowTestSupport.h"
#include "link/LinkProtocol.h"
#include "params/ParameterBlock.h"
#include "ui/TForm1.h"
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
    w.module->answerWakeUp = false;
    QTimer::singleShot(0, [&] { w.Button("Button1")->click(); });
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgCancelled)));
    QVERIFY(!w.Find("Button1")->isEnabled());
    QVERIFY(w.Find("Button2")->isEnabled());
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
    for (const QString& text : texts) QVERIFY2(text.contains(QLatin1Char('%')), qPrintable(text));
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgDone)));
    QCOMPARE(bar->format(), QStringLiteral("%p%"));  // no time left once it ended
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

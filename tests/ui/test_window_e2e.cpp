// SPDX-License-Identifier: MIT
// The window against canalarm-emu, the module emulator, on a pseudo-terminal
// that COM1 reaches through a private ports folder. Refuses to run when COM1
// would lead anywhere but to a pseudo-terminal.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/prctl.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>

#include "firmware/RecordEncoder.h"
#include "link/BackupStore.h"
#include "serial/SerlPortPaths.h"
#include "ui/HandlerGuard.h"
#include "ui/TForm1.h"
#include "texts/WindowTexts.h"
#include "ui/TfrmMain.h"
#include "WindowTestSupport.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

QString Text(Language language, MessageRole role) { return Q(Message(language, role)); }

// The emulator as a child process; stopped when the test ends, and killed
// should the test's process end first. No quiet-line restart: a pause of a
// loaded machine in the middle of an upload would restart the module; a test
// restarts it before each further operation, as the RTS pulse that a
// pseudo-terminal cannot carry would.
class Emulator {
 public:
  explicit Emulator(const QStringList& options) {
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.setProgram(QStringLiteral(CANALARM_EMU_PATH));
    // COM1 is masked: the emulator takes the mask's place and puts it back.
    process_.setArguments(QStringList{QStringLiteral("--link"), QStringLiteral("COM1"),
                                      QStringLiteral("--replace-link"),
                                      QStringLiteral("--idle-reset"), QStringLiteral("0")} +
                          options);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    if (!process_.waitForStarted(10000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  ~Emulator() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) process_.kill();
  }

  const QString& Device() const { return device_; }
  // SIGUSR2: the module restarts at once. The emulator takes the signal
  // before any byte that the next operation sends after its restart pulse.
  void Restart() { ::kill(static_cast<pid_t>(process_.processId()), SIGUSR2); }

 private:
  QProcess process_;
  QString device_;
};

// The window on the real serial port component, errors captured.
struct RealWindow {
  ui::TfrmMain window;
  QStringList errors;
  QStringList statusHistory;  // every text Edit3 took

  RealWindow() {
    window.Guard().SetErrorPresenter([this](const QString& message) { errors << message; });
    QObject::connect(Find<QLineEdit>("Edit3"), &QLineEdit::textChanged,
                     [this](const QString& text) { statusHistory << text; });
    window.show();
  }
  template <typename T = QAbstractButton>
  T* Find(const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) qFatal("no control %s", name);
    return control;
  }
  QStringList Log() {
    return LogLines(Find<QPlainTextEdit>("meLog"));
  }
};

std::string HexRecord(std::uint16_t address, std::uint8_t type, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                  static_cast<std::uint8_t>(address >> 8),
                                  static_cast<std::uint8_t>(address & 0xFF), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<std::uint8_t>(-sum));
  std::string line = ":";
  char hex[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    line += hex;
  }
  return line;
}

// A record-encoded firmware file: FLASH bytes at 0x200, the version text at
// EEPROM 0xF0 and two help lines after the end record.
void WriteFirmware(const QString& path, const std::string& version) {
  std::vector<std::uint8_t> text(version.begin(), version.end());
  text.resize(16, ' ');
  const std::vector<std::string> lines{
      HexRecord(0, 4, {0x00, 0x00}),
      HexRecord(0x0200, 0, {0xEF, 0x12, 0xF0, 0x00, 0x12, 0x00, 0x34, 0x56}),
      HexRecord(0, 4, {0x00, 0xF0}),
      HexRecord(0x00F0, 0, text),
      ":00000001FF",
      ";Firmware for the end-to-end test",
      ";Second help line",
  };
  std::ofstream(path.toStdString(), std::ios::binary) << EncodeRecordText(lines);
}

// A plain HEX file of `blocks` FLASH blocks from 0x200: long enough at a
// simulated 9600 bit/s to outlast what a test does meanwhile.
void WriteLongFirmware(const QString& path, int blocks) {
  std::string text = HexRecord(0, 4, {0x00, 0x00}) + "\n";
  for (int i = 0; i < blocks; ++i) {
    std::vector<std::uint8_t> data(16, static_cast<std::uint8_t>(i));
    text += HexRecord(static_cast<std::uint16_t>(0x200 + 16 * i), 0, data) + "\n";
  }
  text += ":00000001FF\n";
  std::ofstream(path.toStdString(), std::ios::binary) << text;
}

// Polls `condition` from the event loop (also from inside an operation's
// waits) and runs `action` once it holds.
void WhenTrue(std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, condition = std::move(condition),
                                             action = std::move(action)] {
    if (!condition()) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start();
}

}  // namespace

class TestWindowE2e : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir config_;
  QTemporaryDir files_;

  // Starts the emulator and checks that COM1 reaches nothing but it.
  static bool StartedSafely(const Emulator& emulator) {
    const std::string com1 = serl::ResolveDevicePath(serl::ComPortPath(1));
    if (!emulator.Device().startsWith(QStringLiteral("/dev/pts/")) || !com1.starts_with("/dev/pts/") ||
        Q(com1) != emulator.Device()) {
      qWarning("refusing to run: COM1 is '%s', the emulator '%s'", com1.c_str(),
               qPrintable(emulator.Device()));
      return false;
    }
    return true;
  }

 private slots:
  void initTestCase() {
    QVERIFY(config_.isValid());
    // A private ports folder: COM1 to COM12 lead nowhere until an emulator
    // links COM1, so no test can reach a real device.
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", config_.filePath(QStringLiteral("data")).toLocal8Bit());
    const QString ports = config_.filePath(QStringLiteral("canalarm/ports"));
    QVERIFY(QDir().mkpath(ports));
    for (int n = 1; n <= 12; ++n)
      QVERIFY(QFile::link(QStringLiteral("/nonexistent/com%1").arg(n),
                          ports + QStringLiteral("/com%1").arg(n)));
  }

  void uploadThenVersionAndHelpInPolish() {
    Emulator emulator({});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    w.window.zmiana_jezyka('0');
    const QString firmware = files_.filePath(QStringLiteral("module.hexfw"));
    WriteFirmware(firmware, "E2E FIRMWARE 2.0");
    w.window.SetFileChooser([&firmware](QFileDialog&) { return firmware; });
    w.Find("bbOpen")->click();
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("module.hexfw"));

    QVERIFY(w.Find("cbKeepSettings")->isChecked());  // on by default
    w.Find("bbUpload")->click();
    const Language pl = Language::Polish;
    // The emulated module holds PIN 1234: the backup first, then its settings kept.
    const QStringList log = w.Log();
    QCOMPARE(log.size(), 8);
    QVERIFY(log[3].startsWith(Text(pl, MessageRole::msgBackupSaved) + QStringLiteral(": ")));
    QVERIFY(QFile::exists(log[3].section(QStringLiteral(": "), 1)));
    QCOMPARE((QStringList{log[0], log[1], log[2], log[4], log[5], log[6], log[7]}.join(QLatin1Char('|'))),
             (QStringList{Text(pl, MessageRole::msgSearching), QStringLiteral("OK"),
                          Text(pl, MessageRole::msgSavingBackup), Text(pl, MessageRole::msgSettingsKept),
                          Text(pl, MessageRole::msgWritingFlash), Text(pl, MessageRole::msgWritingEeprom),
                          Text(pl, MessageRole::msgDone)}.join(QLatin1Char('|'))));

    emulator.Restart();
    w.Find("Button2")->click();
    QCOMPARE(w.Log().join(QLatin1Char('|')), (QStringList{Text(pl, MessageRole::msgSearching), QStringLiteral("OK"),
                                   QStringLiteral("Wersja programu: E2E FIRMWARE 2.0"),
                                   Text(pl, MessageRole::msgDone)}.join(QLatin1Char('|'))));

    w.Find("Button3")->click();
    ui::TForm1& help = w.window.HelpWindow();
    QVERIFY(help.isVisible());
    QCOMPARE(help.windowTitle(), QStringLiteral("Pomoc"));
    QCOMPARE(help.Memo()->toPlainText(),
             QStringLiteral("Firmware for the end-to-end test\nSecond help line"));
    help.close();
    QVERIFY(w.errors.isEmpty());
  }

  void readAndWriteTheParameters() {
    // The module's EEPROM: FA mode, LiteON, FS1, program 42, PIN 4321.
    std::vector<char> image(256, '\xFF');
    image[0x21] = 0x5A;
    image[0x61] = static_cast<char>(0x86);
    image[0x28] = 0x42;
    image[0x26] = 4, image[0x66] = 3, image[0x27] = 2, image[0x67] = 1;
    const QString eeprom = files_.filePath(QStringLiteral("eeprom.bin"));
    std::ofstream(eeprom.toStdString(), std::ios::binary).write(image.data(), 256);
    Emulator emulator({QStringLiteral("--eeprom"), eeprom});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;

    w.Find("BitBtn2")->click();
    const Language en = Language::English;
    QCOMPARE(w.statusHistory,
             (QStringList{Text(en, MessageRole::msgSearching), QStringLiteral("OK"),
                          Text(en, MessageRole::msgReadingEeprom), Text(en, MessageRole::msgDone)}));
    QVERIFY(w.Find("BitBtn1")->isEnabled());
    for (const char* on : {"RadioButton5", "RadioButton7", "RadioButton8", "RadioButton11",
                           "RadioButton13", "RadioButton14", "RadioButton17", "RadioButton20",
                           "RadioButton19", "RadioButton23", "CheckBox2"})
      QVERIFY2(w.Find(on)->isChecked(), on);
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("4321"));
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), QStringLiteral("42"));

    w.Find<QLineEdit>("PIN")->setText(QStringLiteral("1290"));
    w.Find("RadioButton22")->click();
    w.Find("CheckBox3")->click();
    w.statusHistory.clear();
    emulator.Restart();
    w.Find("BitBtn1")->click();
    QCOMPARE(w.statusHistory.size(), 6);
    QVERIFY(w.statusHistory[3].startsWith(Text(en, MessageRole::msgBackupSaved)));
    w.statusHistory.removeAt(3);
    QCOMPARE(w.statusHistory,
             (QStringList{Text(en, MessageRole::msgSearching), QStringLiteral("OK"),
                          Text(en, MessageRole::msgSavingBackup),
                          Text(en, MessageRole::msgWritingEeprom), Text(en, MessageRole::msgDone)}));
    QVERIFY(!w.Find("BitBtn1")->isEnabled());

    // Read back what the module now holds: a fresh window, a fresh tab.
    RealWindow again;
    emulator.Restart();
    again.Find("BitBtn2")->click();
    QCOMPARE(again.Find<QLineEdit>("Edit3")->text(), Text(en, MessageRole::msgDone));
    QCOMPARE(again.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("1290"));
    QVERIFY(again.Find("RadioButton22")->isChecked());
    QVERIFY(again.Find("CheckBox3")->isChecked());
    QVERIFY(!again.Find("CheckBox2")->isChecked());
    QVERIFY(w.errors.isEmpty());
    QVERIFY(again.errors.isEmpty());
  }

  void noBootloaderAndCancel_data() {
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("last");
    // "No bootloader" says what to check.
    QTest::newRow("no bootloader") << false << Text(Language::German, MessageRole::msgNoBootloader) + '|' +
                                                   Q(canalarm::Text(Language::German, WindowText::NoBootloaderHint));
    QTest::newRow("cancel") << true << Text(Language::German, MessageRole::msgCancelled);
  }
  void noBootloaderAndCancel() {
    QFETCH(bool, cancel);
    QFETCH(QString, last);
    Emulator emulator({QStringLiteral("--answer-after"), QStringLiteral("100000")});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    w.window.zmiana_jezyka('2');
    // Cancel once the search has begun (a Cancel in the restart pulse before
    // it ends the operation before the search: cancelDuringTheRestartWritesNothing).
    bool clicked = false;
    if (cancel) {
      QObject::connect(w.Find<QPlainTextEdit>("meLog"), &QPlainTextEdit::textChanged, &w.window, [&w, &clicked] {
        if (clicked || w.Log().size() != 1) return;
        clicked = true;
        QTimer::singleShot(0, &w.window, [&w] { w.Find("Button1")->click(); });
      });
    }
    w.Find("Button2")->click();
    QCOMPARE(w.Log().join(QLatin1Char('|')), (QStringList{Text(Language::German, MessageRole::msgSearching), last}.join(QLatin1Char('|'))));
    QVERIFY(!w.window.ComPort().Open());
  }

  // Closing the window during an upload neither ends nor stalls it: the
  // first close says what runs while the blocks go on; the second cancels,
  // and the log says the module's firmware is incomplete.
  void closingDuringAnUploadWarnsThenCancels() {
    Emulator emulator({QStringLiteral("--wire-speed"), QStringLiteral("9600")});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    const QString firmware = files_.filePath(QStringLiteral("long.hex"));
    WriteLongFirmware(firmware, 400);
    w.Find<QCheckBox>("DecodeON")->setChecked(false);
    QVERIFY(w.window.OpenFirmwareFile(firmware));
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    const Language en = Language::English;
    int blocksAtFirstClose = -1;
    bool visibleAfterFirst = false;
    auto writing = [&] {
      return w.Log().contains(Text(en, MessageRole::msgWritingFlash)) && bar->maximum() > 0 &&
             bar->value() > bar->minimum();
    };
    WhenTrue(writing, [&] {
      blocksAtFirstClose = bar->value();
      w.window.close();
      visibleAfterFirst = w.window.isVisible() && w.window.LinkRunning();
      // The upload goes on: close again once more blocks went in.
      WhenTrue([&] { return bar->value() > blocksAtFirstClose + 2; }, [&] { w.window.close(); });
    });
    w.Find("bbUpload")->click();
    QVERIFY(blocksAtFirstClose > 0);
    QVERIFY(visibleAfterFirst);
    const QStringList log = w.Log();
    QVERIFY2(log.contains(Q(canalarm::Text(en, WindowText::CloseWhileWriting))), qPrintable(log.join('\n')));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{Text(en, MessageRole::msgCancelled),
                                                   Text(en, MessageRole::msgIncompleteFirmware)}));
    QVERIFY(w.window.isVisible());
    QCOMPARE(bar->text(), Q(canalarm::Text(en, WindowText::ResultCancelled)));
    QVERIFY(w.errors.isEmpty());
  }

  // The adapter goes away in the middle of an upload: the window says so in
  // its language, with what to do, and what the module was left with.
  void lostPortDuringAnUploadIsSaidInWords() {
    Emulator emulator({QStringLiteral("--fault"), QStringLiteral("vanish:6")});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    w.window.zmiana_jezyka('0');
    const QString firmware = files_.filePath(QStringLiteral("vanish.hex"));
    WriteLongFirmware(firmware, 20);
    w.Find<QCheckBox>("DecodeON")->setChecked(false);
    QVERIFY(w.window.OpenFirmwareFile(firmware));
    w.Find("bbUpload")->click();
    const Language pl = Language::Polish;
    const QStringList log = w.Log();
    QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join('\n')));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{Text(pl, MessageRole::msgIncompleteFirmware),
                                                   Q(canalarm::Text(pl, WindowText::PortLost))}));
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->text(), Q(canalarm::Text(pl, WindowText::ResultFailed)));
    QVERIFY(!w.window.ComPort().Open());
  }

  // The module's line hangs up while the window waits for its answer: the
  // wait ends at once with the lost port said in words (not the port's
  // English text in a box, nor a transmission error once the countdown has
  // run out); the port is let go of, and the next command opens it afresh.
  void hangUpDuringAWaitEndsItWithThePortsError() {
    const QString transcript = files_.filePath(QStringLiteral("hang-up-transcript.txt"));
    auto emulator = std::make_unique<Emulator>(QStringList{QStringLiteral("--fault"), QStringLiteral("vanish:1"),
                                                           QStringLiteral("--transcript"), transcript});
    QVERIFY(StartedSafely(*emulator));
    RealWindow w;
    w.Find("Button2")->click();
    const Language en = Language::English;
    QFile log(transcript);
    log.open(QIODevice::ReadOnly);
    const QString seen = w.Log().join(QLatin1Char('|')) + QStringLiteral(" / ") + w.errors.join(QLatin1Char('|')) +
                         QStringLiteral("\nemulator:\n") + QString::fromUtf8(log.readAll());
    QVERIFY2(w.errors.isEmpty(), qPrintable(seen));
    QVERIFY2(w.Log().constLast() == Q(canalarm::Text(en, WindowText::PortLost)), qPrintable(seen));
    QVERIFY2(!w.Log().contains(Text(en, MessageRole::msgCommError)), qPrintable(seen));
    QVERIFY(!w.window.ComPort().Open());

    emulator.reset();
    Emulator fresh({});
    QVERIFY(StartedSafely(fresh));
    w.errors.clear();
    w.Find("Button2")->click();
    QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(QLatin1Char('\n'))));
    QCOMPARE(w.Log().last(), Text(en, MessageRole::msgDone));
  }

  // A Cancel clicked during the restart pulse is taken before the first
  // wake-up byte: nothing may be written, nor the module left waiting.
  void cancelDuringTheRestartWritesNothing() {
    const QString transcript = files_.filePath(QStringLiteral("cancel-transcript.txt"));
    Emulator emulator({QStringLiteral("--transcript"), transcript});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    const QString firmware = files_.filePath(QStringLiteral("cancelled.hexfw"));
    WriteFirmware(firmware, "NEVER WRITTEN");
    w.window.ChooseFirmwareFile(firmware);
    QTimer::singleShot(100, [&w] { w.Find("Button1")->click(); });
    w.Find("bbUpload")->click();
    const Language en = Language::English;
    QCOMPARE(w.Log().join(QLatin1Char('|')), Text(en, MessageRole::msgCancelled));
    QFile file(transcript);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString traffic = QString::fromUtf8(file.readAll());
    QVERIFY2(!traffic.contains(QStringLiteral("wake-up")), qPrintable(traffic));
    QVERIFY(w.errors.isEmpty());
  }

  // "Saving" writes only into the module that was read: another module on
  // the same port gets nothing, even one that holds the same bytes, and a
  // change of port forgets the read.
  void savingIntoAnotherModuleWritesNothing_data() {
    QTest::addColumn<bool>("sameBytes");
    QTest::newRow("other settings, same identity") << false;
    QTest::newRow("same bytes, other identity") << true;
  }
  void savingIntoAnotherModuleWritesNothing() {
    QFETCH(bool, sameBytes);
    const QString eepromA = files_.filePath(QStringLiteral("module-a.bin"));
    const QString eepromB = files_.filePath(QStringLiteral("module-b.bin"));
    const QString dumpB = files_.filePath(QStringLiteral("module-b-after.bin"));
    std::vector<char> image(256, '\xFF');
    image[0x26] = 1, image[0x66] = 2, image[0x27] = 3, image[0x67] = 4;
    std::ofstream(eepromA.toStdString(), std::ios::binary).write(image.data(), 256);
    if (!sameBytes) image[0x26] = 5, image[0x66] = 6, image[0x27] = 7, image[0x67] = 8, image[0x28] = 0x42;
    std::ofstream(eepromB.toStdString(), std::ios::binary).write(image.data(), 256);
    // The emulator's identity unless asked otherwise: 1A:43.
    const QStringList identityB = sameBytes ? QStringList{QStringLiteral("--identity"), QStringLiteral("1A:44")}
                                            : QStringList{};
    const Language en = Language::English;
    RealWindow w;
    {
      Emulator a({QStringLiteral("--eeprom"), eepromA});
      QVERIFY(StartedSafely(a));
      w.Find("BitBtn2")->click();
      QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("1234"));
      // Module A is unplugged while the port is closed; B takes its place.
      w.window.ComPort().SetOpen(false);
    }
    {
      Emulator b(QStringList{QStringLiteral("--eeprom"), eepromB, QStringLiteral("--dump-eeprom"), dumpB} +
                 identityB);
      QVERIFY(StartedSafely(b));
      w.Find<QLineEdit>("PIN")->setText(QStringLiteral("9999"));
      w.Find("BitBtn1")->click();
      QCOMPARE(w.Find<QLineEdit>("Edit3")->text(), Text(en, MessageRole::msgModuleChanged));
    }
    std::ifstream dumped(dumpB.toStdString(), std::ios::binary);
    const std::vector<char> after((std::istreambuf_iterator<char>(dumped)), std::istreambuf_iterator<char>());
    QCOMPARE(after, image);

    // Read again, then another port: the fields no longer count.
    Emulator b(QStringList{QStringLiteral("--eeprom"), eepromB} + identityB);
    QVERIFY(StartedSafely(b));
    w.Find("BitBtn2")->click();
    QVERIFY(w.Find("BitBtn1")->isEnabled());
    w.Find<QComboBox>("cbPort")->setCurrentIndex(4);
    QVERIFY(!w.Find("BitBtn1")->isEnabled());
    w.Find<QComboBox>("cbPort")->setCurrentIndex(0);
    QVERIFY(!w.Find("BitBtn1")->isEnabled());
    QVERIFY(w.errors.isEmpty());
  }

  // "Restore…" offers the backups of the module read (its identity and its
  // version text), newest first; the one chosen fills the fields, and
  // "Saving" writes its settings back.
  void restoreWritesAnOlderBackupsSettingsBack() {
    std::vector<char> image(256, '\xFF');
    image[0x21] = 0x5A, image[0x61] = static_cast<char>(0x86), image[0x28] = 0x55;
    image[0x26] = 9, image[0x66] = 8, image[0x27] = 7, image[0x67] = 6;
    const std::string version = "RESTORE TEST 1.0";
    std::copy(version.begin(), version.end(), image.begin() + 0xF0);
    const QString eeprom = files_.filePath(QStringLiteral("restore.bin"));
    const QString dump = files_.filePath(QStringLiteral("restore-after.bin"));
    std::ofstream(eeprom.toStdString(), std::ios::binary).write(image.data(), 256);

    // Backups of two other modules: one with the same version text, one
    // with the same identity.
    BackupStore store;
    BackupRecord foreign;
    foreign.port = "COM1";
    foreign.operation = "params-write";
    std::copy(image.begin(), image.end(), foreign.eeprom.begin());
    foreign.eeprom[0x26] = 5;
    std::copy(version.begin(), version.end(), foreign.version.begin());
    foreign.identity = std::array<std::uint8_t, 2>{0x5E, 0x22};
    store.Save(foreign);
    foreign.identity = std::array<std::uint8_t, 2>{0x5E, 0x21};
    foreign.version[15] = '2';
    store.Save(foreign);

    const Language en = Language::English;
    RealWindow w;
    QStringList saved;  // the backups' paths, as the status field said them
    const QString savedPrefix = Text(en, MessageRole::msgBackupSaved) + QStringLiteral(": ");
    {
      Emulator emulator({QStringLiteral("--eeprom"), eeprom, QStringLiteral("--identity"), QStringLiteral("5E:21"),
                         QStringLiteral("--dump-eeprom"), dump});
      QVERIFY(StartedSafely(emulator));
      // Two writes, each backed up first: PIN 9876 and FA, then 1111 and FI, then 2222.
      for (const QString& pin : {QStringLiteral("1111"), QStringLiteral("2222")}) {
        emulator.Restart();
        w.Find("BitBtn2")->click();
        QCOMPARE(w.Find<QLineEdit>("Edit3")->text(), Text(en, MessageRole::msgDone));
        w.Find<QLineEdit>("PIN")->setText(pin);
        w.Find("RadioButton22")->click();
        w.statusHistory.clear();
        emulator.Restart();
        w.Find("BitBtn1")->click();
        QCOMPARE(w.Find<QLineEdit>("Edit3")->text(), Text(en, MessageRole::msgDone));
        for (const QString& said : std::as_const(w.statusHistory))
          if (said.startsWith(savedPrefix)) saved << said.mid(savedPrefix.size());
      }
      QCOMPARE(saved.size(), 2);
      const std::string older = ReadBackupFile(saved[0].toStdString()).time;
      const std::string newer = ReadBackupFile(saved[1].toStdString()).time;

      emulator.Restart();
      w.Find("BitBtn2")->click();
      QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("2222"));
      QStringList offered;
      w.window.SetBackupChooser([&offered, &older](QWidget*, const QStringList& labels) {
        offered = labels;
        for (int i = 0; i < labels.size(); ++i)
          if (labels[i].startsWith(Q(older))) return i;
        return -1;
      });
      w.Find("btnRestore")->click();
      QCOMPARE(offered.size(), 2);
      QVERIFY2(offered[0].startsWith(Q(newer)), qPrintable(offered.join('\n')));
      QVERIFY2(offered[1].startsWith(Q(older)), qPrintable(offered.join('\n')));
      // The fields hold the older backup's settings; nothing was written yet.
      QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("9876"));
      QVERIFY(w.Find("RadioButton23")->isChecked());
      const QString status = w.Find<QLineEdit>("Edit3")->text();
      QVERIFY2(status.startsWith(Q(older)) && status.contains(QStringLiteral("PIN 2222 -> 9876")), qPrintable(status));

      emulator.Restart();
      w.Find("BitBtn1")->click();
      QCOMPARE(w.Find<QLineEdit>("Edit3")->text(), Text(en, MessageRole::msgDone));
    }
    // The module holds its first settings again, and nothing else changed.
    std::ifstream dumped(dump.toStdString(), std::ios::binary);
    const std::vector<char> after((std::istreambuf_iterator<char>(dumped)), std::istreambuf_iterator<char>());
    QCOMPARE(after, image);
    QVERIFY(w.errors.isEmpty());
  }

  // The parameters tab's own Cancel, and Esc, stop a parameter write; the
  // status says the settings are now incomplete and where the backup is.
  void cancelAParameterWrite_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel on the tab") << false;
    QTest::newRow("Esc") << true;
  }
  void cancelAParameterWrite() {
    QFETCH(bool, escape);
    const QString transcript = files_.filePath(QStringLiteral("cancel-write-%1.txt").arg(escape));
    // The write's link: identity, 16 reads for the backup, then the writes;
    // the second write's acknowledgement is held back a second.
    Emulator emulator({QStringLiteral("--transcript"), transcript, QStringLiteral("--fault"),
                       QStringLiteral("delay:19:1000")});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    w.Find("BitBtn2")->click();
    w.Find<QLineEdit>("PIN")->setText(QStringLiteral("7777"));
    emulator.Restart();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QFile file(transcript);
      if (!file.open(QIODevice::ReadOnly) || !file.readAll().contains("packet 19: write EEPROM")) return;
      poll.stop();
      QVERIFY(w.Find("btnParamsCancel")->isEnabled());
      if (escape) {
        QTest::keyClick(&w.window, Qt::Key_Escape);
      } else {
        w.Find("btnParamsCancel")->click();
      }
    });
    poll.start(5);
    w.Find("BitBtn1")->click();
    const Language en = Language::English;
    const QString status = w.Find<QLineEdit>("Edit3")->text();
    QVERIFY2(status.startsWith(Text(en, MessageRole::msgSettingsIncomplete) + QStringLiteral(": ")),
             qPrintable(status));
    QVERIFY(w.statusHistory.contains(Text(en, MessageRole::msgCancelled)));
    QVERIFY(!w.Find("btnParamsCancel")->isEnabled());
    QVERIFY(w.errors.isEmpty());
  }

  // A version request that is never answered waits out the countdown and
  // ends as a transmission error. (How little processor time the wait takes
  // is a benchmark figure: bench/run.sh --only idlewait.)
  void unansweredRequestWaitsOutTheCountdown() {
    Emulator emulator({QStringLiteral("--silent-after"), QStringLiteral("0")});
    QVERIFY(StartedSafely(emulator));
    RealWindow w;
    w.Find("Button2")->click();
    const Language en = Language::English;
    QCOMPARE(w.Log().join(QLatin1Char('|')), (QStringList{Text(en, MessageRole::msgSearching), QStringLiteral("OK"),
                                   Text(en, MessageRole::msgCommError)}.join(QLatin1Char('|'))));
    QVERIFY(w.errors.isEmpty());
  }
};

QTEST_MAIN(TestWindowE2e)
#include "test_window_e2e.moc"

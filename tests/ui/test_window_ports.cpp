// SPDX-License-Identifier: MIT
// Port and speed: the port list and the port errors, on pseudo-terminals
// that a private ports folder names COM1, COM3 (held by another process)
// and (plugged in later) COM4; COM2 and the others lead nowhere. Refuses to
// run when a port leads anywhere else. Describing the ports opens none of
// them (inotify). And the speed buttons, and the choice remembered.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <memory>
#include <optional>

#include "SerlTestPty.h"
#include "WindowTestSupport.h"
#include "ui/PortFacts.h"
#include "ui/TPortComboBox.h"

using namespace canalarm;
using namespace canalarm::test;

Q_DECLARE_METATYPE(canalarm::Language)

namespace {

QStringList Items(const WindowUnderTest& w) {
  auto* ports = w.Find<QComboBox>("cbPort");
  QStringList items;
  for (int i = 0; i < ports->count(); ++i) items << ports->itemText(i);
  return items;
}

void SelectPort(const WindowUnderTest& w, int number) {
  auto* ports = w.Find<QComboBox>("cbPort");
  ports->setCurrentIndex(number - 1);
  emit ports->activated(number - 1);
}

}  // namespace

class TestWindowPorts : public QObject {
  Q_OBJECT

 private:
  serl::test::TPortsFolder ports_;
  serl::test::TPtyPair free_;
  serl::test::TPtyPair held_;
  serl::test::TPtyPair plugged_;
  std::unique_ptr<serl::test::TOtherHolder> holder_;

  QString Holder() const {
    return QStringLiteral("%1 (pid %2)").arg(QLatin1String(serl::test::TOtherHolder::kName)).arg(holder_->Pid());
  }

  static QString Slave(const serl::test::TPtyPair& pty) { return Q(pty.SlavePath()); }
  QString Missing(int n) const { return Q(ports_.MissingDevice(n)); }

 private slots:
  void initTestCase() {
    ports_.Bind(1, free_);
    ports_.Bind(3, held_);
    // Held and locked by another process, as a terminal program holds it.
    holder_ = std::make_unique<serl::test::TOtherHolder>(held_, true);
  }

  void itemsSayWhatEachPortIs() {
    WindowUnderTest w;  // stops the run if a port leads to a real device
    const QStringList items = Items(w);
    QCOMPARE(items.size(), 12);
    QCOMPARE(items[0], QStringLiteral("COM1  ") + Slave(free_) + QStringLiteral(" · pseudo-terminal"));
    QCOMPARE(items[1], QStringLiteral("COM2  ") + Missing(2) + QStringLiteral(" – nothing there"));
    QCOMPARE(items[2], QStringLiteral("COM3  ") + Slave(held_) + QStringLiteral(" · pseudo-terminal (in use)"));
    QCOMPARE(items[11], QStringLiteral("COM12  ") + Missing(12) + QStringLiteral(" – nothing there"));
    // In the language shown.
    w.window->SelectLanguage(Language::Polish);
    QCOMPARE(Items(w)[1], QStringLiteral("COM2  ") + Missing(2) + QStringLiteral(" – brak urządzenia"));
    QCOMPARE(Items(w)[2], QStringLiteral("COM3  ") + Slave(held_) + QStringLiteral(" · pseudoterminal (zajęty)"));
  }

  void theListIsDescribedAfreshWhenItOpens() {
    WindowUnderTest w;
    QCOMPARE(Items(w)[3], QStringLiteral("COM4  ") + Missing(4) + QStringLiteral(" – nothing there"));
    ports_.Bind(4, plugged_);  // an adapter plugged in meanwhile
    QCOMPARE(Items(w)[3], QStringLiteral("COM4  ") + Missing(4) + QStringLiteral(" – nothing there"));
    auto* ports = w.Find<QComboBox>("cbPort");
    ports->showPopup();
    QCOMPARE(Items(w)[3], QStringLiteral("COM4  ") + Slave(plugged_) + QStringLiteral(" · pseudo-terminal"));
    ports->hidePopup();
    ports_.BindMissing(4);  // and pulled out
    ports->showPopup();
    QCOMPARE(Items(w)[3], QStringLiteral("COM4  ") + Missing(4) + QStringLiteral(" – nothing there"));
    ports->hidePopup();
    // The choice stays where it was; the port number is still index + 1.
    QCOMPARE(ports->currentIndex(), 0);
    QCOMPARE(w.window->CurrentPort().comNumber, 1);
  }

  void describingThePortsOpensNone() {
    // Every pseudo-terminal the ports lead to, watched from before the
    // window exists (it describes its ports when it starts).
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    const auto opened = [watch] {
      int count = 0;
      alignas(inotify_event) char buffer[4096];
      for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;)
        for (ssize_t at = 0; at < n; at += static_cast<ssize_t>(sizeof(inotify_event)) +
                                         reinterpret_cast<const inotify_event*>(buffer + at)->len)
          count += (reinterpret_cast<const inotify_event*>(buffer + at)->mask & IN_OPEN) != 0;
      return count;
    };
    for (const serl::test::TPtyPair* pty : {&free_, &held_, &plugged_}) {
      serl::test::RequirePseudoTerminal(pty->SlavePath());
      QVERIFY(inotify_add_watch(watch, pty->SlavePath().c_str(), IN_OPEN) >= 0);
    }
    ports_.Bind(4, plugged_);
    {
      WindowUnderTest w;
      auto* ports = w.Find<QComboBox>("cbPort");
      ports->showPopup();
      ports->hidePopup();
      w.window->SelectLanguage(Language::Czech);
      QCOMPARE(Items(w)[3], QStringLiteral("COM4  ") + Slave(plugged_) + QStringLiteral(" · pseudoterminál"));
      QCOMPARE(opened(), 0);
      // The watch does see an open of a port.
      close(open(free_.SlavePath().c_str(), O_RDWR | O_NOCTTY));
      QCOMPARE(opened(), 1);
    }
    ports_.BindMissing(4);
    close(watch);
  }

  void aPortLetGoOfIsFreeAfterTheNextOperation() {
    std::optional<serl::test::TOtherHolder> other(std::in_place, free_, false);
    WindowUnderTest w;
    const QString held = QStringLiteral("COM1  ") + Slave(free_) + QStringLiteral(" · pseudo-terminal (in use)");
    QCOMPARE(Items(w)[0], held);
    other.reset();
    QCOMPARE(Items(w)[0], held);  // until the list is described again
    w.Button("Button2")->click();  // an operation on COM1, against the scripted module
    QCOMPARE(Items(w)[0], QStringLiteral("COM1  ") + Slave(free_) + QStringLiteral(" · pseudo-terminal"));
  }

  void theClosedBoxKeepsTheStateAtTheSmallestSize() {
    WindowUnderTest w;  // at its smallest size
    QCOMPARE(w.window->size(), w.window->minimumSize());
    auto* ports = w.Find<ui::TPortComboBox>("cbPort");
    const int width = ports->ClosedTextWidth();
    for (const int number : {3, 2, 1}) {
      SelectPort(w, number);
      const QString item = ports->currentText();
      const QString closed = ports->ClosedText(width);
      QVERIFY2(ports->fontMetrics().horizontalAdvance(item) > width, qPrintable(item));  // too long whole
      QVERIFY2(ports->fontMetrics().horizontalAdvance(closed) <= width, qPrintable(closed));
      QVERIFY2(closed.startsWith(QStringLiteral("COM%1  ").arg(number)), qPrintable(closed));
      const QString state = number == 3 ? QStringLiteral(" (in use)")
                            : number == 2 ? QStringLiteral(" – nothing there")
                                          : QStringLiteral("…");
      QVERIFY2(closed.endsWith(state), qPrintable(closed));
    }
  }

  void onboardPortsAreNamedByTheirKind() {
    WindowUnderTest w;
    w.window->SetPortDescriber([](int n) {
      ui::PortFacts facts;
      facts.number = n;
      facts.device = "/dev/ttyS" + std::to_string(n - 1);
      facts.present = true;
      facts.kind = ui::PortKindName::Onboard;
      return facts;
    });
    QCOMPARE(Items(w)[0], QStringLiteral("COM1  /dev/ttyS0 · on-board serial port"));
    w.window->SelectLanguage(Language::German);
    QCOMPARE(Items(w)[1], QStringLiteral("COM2  /dev/ttyS1 · eingebaute serielle Schnittstelle"));
  }

  void usbAdaptersShowTheirProductName() {
    WindowUnderTest w;
    w.window->SetPortDescriber([](int n) {
      ui::PortFacts facts;
      facts.number = n;
      if (n == 5) {
        facts.device = "/dev/ttyUSB0";
        facts.present = true;
        facts.product = "FT232R USB UART";
      }
      return facts;
    });
    QCOMPARE(Items(w)[4], QStringLiteral("COM5  /dev/ttyUSB0 · FT232R USB UART"));
    QCOMPARE(Items(w)[0], QStringLiteral("COM1  – nothing there"));
  }

  void aFailedOpenSaysWhy_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("reason");
    QTest::newRow("in use") << 3 << Language::English << QStringLiteral(" (%1): in use by another program – %2");
    QTest::newRow("in use pl") << 3 << Language::Polish << QStringLiteral(" (%1): używany przez inny program – %2");
    QTest::newRow("nothing") << 2 << Language::English << QStringLiteral(" (%1): no such device");
    QTest::newRow("nothing de") << 2 << Language::German << QStringLiteral(" (%1): Gerät nicht vorhanden");
  }

  void aFailedOpenSaysWhy() {
    QFETCH(int, port);
    QFETCH(Language, language);
    QFETCH(QString, reason);
    WindowUnderTest w;
    w.module->failOpen = true;
    w.window->SelectLanguage(language);
    SelectPort(w, port);
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w), (QStringList{Q(Message(language, MessageRole::msgPortOpenError)),
                                       QStringLiteral("COM%1").arg(port) +
                                           (port == 3 ? reason.arg(Slave(held_), Holder()) : reason.arg(Missing(port)))}));
  }

  void permissionDeniedNamesTheGroupToJoin() {
    WindowUnderTest w;
    w.window->SetPortDescriber([](int n) {
      ui::PortFacts facts;
      facts.number = n;
      facts.device = "/dev/ttyUSB0";
      facts.present = true;
      facts.noAccess = true;
      facts.group = "dialout";
      return facts;
    });
    w.module->failOpen = true;
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w).constLast(),
             QStringLiteral("COM1 (/dev/ttyUSB0): permission denied – join the group dialout and log in again"));
    QCOMPARE(Items(w)[0], QStringLiteral("COM1  /dev/ttyUSB0 (no access)"));
    // On the parameters tab the status field says it too.
    w.Button("BitBtn2")->click();
    QCOMPARE(w.Find<QLineEdit>("Edit3")->toolTip(), LogLines(w).constLast());
    w.window->SelectLanguage(Language::Slovak);
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w).constLast(),
             QStringLiteral("COM1 (/dev/ttyUSB0): prístup zamietnutý – pridajte sa do skupiny dialout a znova sa prihláste"));
  }

  void portAndSpeedComeFromTheControls() {
    WindowUnderTest w;
    QCOMPARE(w.window->CurrentPort().comNumber, 1);
    QCOMPARE(w.window->CurrentPort().baud, 9600);
    w.Find<QComboBox>("cbPort")->setCurrentIndex(11);
    w.Button("RadioButton2")->setChecked(true);
    QCOMPARE(w.window->CurrentPort().comNumber, 12);
    QCOMPARE(w.window->CurrentPort().baud, 19200);
    w.Button("RadioButton3")->setChecked(true);
    QCOMPARE(w.window->CurrentPort().baud, 38400);
  }

  void theLastPortAndSpeedAreRemembered() {
    {
      WindowUnderTest first;
      QCOMPARE(first.window->CurrentPort().comNumber, 1);
      QCOMPARE(first.window->CurrentPort().baud, 9600);
      SelectPort(first, 3);
      first.Button("RadioButton3")->click();
    }
    WindowUnderTest second(/*keepSettings=*/true);
    QCOMPARE(second.window->CurrentPort().comNumber, 3);
    QCOMPARE(second.window->CurrentPort().baud, 38400);
    QVERIFY(second.Checked("RadioButton3"));
    second.Button("RadioButton2")->click();
    WindowUnderTest third(/*keepSettings=*/true);
    QCOMPARE(third.window->CurrentPort().baud, 19200);
    QCOMPARE(third.window->CurrentPort().comNumber, 3);
  }
};

QTEST_MAIN(TestWindowPorts)
#include "test_window_ports.moc"

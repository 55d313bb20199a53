// SPDX-License-Identifier: MIT
// The port selection dialog, on pseudo-terminals that a private ports folder
// names COM1 and COM3, and its place in the serial port component's open.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "SerlTestPty.h"
#include "WindowTestSupport.h"
#include "serial/SerlExceptions.h"
#include "ui/TComSelectForm.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

// Answers the dialog that the next modal loop shows.
void AnswerDialog(int index, bool ok, QString* listed) {
  QTimer::singleShot(0, [=] {
    auto* dialog = qobject_cast<ui::TComSelectForm*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return AnswerDialog(index, ok, listed);
    auto* ports = dialog->findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
    QStringList items;
    for (int i = 0; i < ports->count(); ++i) items << ports->itemText(i);
    *listed = items.join(QLatin1Char(','));
    ports->setCurrentIndex(index);
    dialog->findChild<QPushButton*>(ok ? QStringLiteral("OkBtn") : QStringLiteral("AbortBtn"))->click();
  });
}

}  // namespace

class TestPortDialog : public QObject {
  Q_OBJECT

  // Every other port leads nowhere; the probe opens every port it lists, and
  // the folder refuses to run when a port leads anywhere but a pseudo-terminal.
  serl::test::TPortsFolder ports_;
  serl::test::TPtyPair first_;
  serl::test::TPtyPair third_;

 private slots:
  void initTestCase() {
    ports_.Bind(1, first_);
    ports_.Bind(3, third_);
  }

  void listsTheProbedPortsWithTheFirstSelected() {
    ui::TComSelectForm form;
    form.FormCreate();
    auto* ports = form.findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
    QCOMPARE(ports->count(), 2);
    QCOMPARE(ports->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(ports->itemText(1), QStringLiteral("COM3"));
    QCOMPARE(form.SelectedPort(), 1);
    ports->setCurrentIndex(1);
    QCOMPARE(form.SelectedPort(), 3);
    QCOMPARE(form.windowTitle(), QStringLiteral("Select Port"));
    QCOMPARE(form.size(), QSize(220, 131));
  }

  void anEmptyListChoosesNoPort() {
    ui::TComSelectForm form;
    form.ShowPorts({});
    QCOMPARE(form.SelectedPort(), 0);
    form.ShowPorts({12, 50});
    QCOMPARE(form.SelectedPort(), 12);
  }

  void componentAsksTheDialogForAMissingPortNumber_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK on COM3") << true;
    QTest::newRow("Cancel") << false;
  }
  void componentAsksTheDialogForAMissingPortNumber() {
    QFETCH(bool, ok);
    WindowUnderTest w;
    serl::TSerlComPort& port = w.window->ComPort();
    port.SetPromptForPort(true);
    port.SetComNumber(0);
    QString listed;
    AnswerDialog(1, ok, &listed);
    if (ok) {
      port.SetOpen(true);
      QCOMPARE(port.ComNumber(), 3);
      QVERIFY(port.Open());
      port.SetOpen(false);
    } else {
      QVERIFY_THROWS_EXCEPTION(serl::ENoPortSelected, port.SetOpen(true));
      QVERIFY(!port.Open());
      QCOMPARE(port.ComNumber(), 0);
    }
    QCOMPARE(listed, QStringLiteral("COM1,COM3"));
  }
};

QTEST_MAIN(TestPortDialog)
#include "test_port_dialog.moc"

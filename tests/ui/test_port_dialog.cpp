// SPDX-License-Identifier: MIT
// The port selection dialog, on pseudo-terminals that a private ports folder
// names COM1 and COM3, and its place in the serial port component's open.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "WindowTestSupport.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlPortPaths.h"
#include "ui/TComSelectForm.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

// The master side of a pseudo-terminal; its slave is what a port links to.
class Pty {
 public:
  Pty() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
      slave_ = QString::fromLocal8Bit(ptsname(master_));
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
  }
  const QString& Slave() const { return slave_; }

 private:
  int master_;
  QString slave_;
};

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

  QTemporaryDir config_;
  Pty first_;
  Pty third_;
  QString ports_;

 private slots:
  void initTestCase() {
    QVERIFY(config_.isValid());
    QVERIFY(first_.Slave().startsWith(QStringLiteral("/dev/pts/")));
    QVERIFY(third_.Slave().startsWith(QStringLiteral("/dev/pts/")));
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    ports_ = config_.filePath(QStringLiteral("canalarm/ports"));
    QVERIFY(QDir().mkpath(ports_));
    for (int n = 1; n <= 12; ++n) {
      const QString target = n == 1 ? first_.Slave() : n == 3 ? third_.Slave()
                                                              : QStringLiteral("/nonexistent/com%1").arg(n);
      QVERIFY(QFile::link(target, ports_ + QStringLiteral("/com%1").arg(n)));
    }
    // The probe opens every port it lists: refuse unless each leads to a
    // pseudo-terminal or nowhere.
    for (int n = 1; n <= serl::kMaxProbedPort; ++n) {
      const std::string device = serl::ResolveDevicePath(serl::ComPortPath(n));
      QVERIFY2(device.empty() || device.starts_with("/dev/pts/") || device.starts_with("/nonexistent/"),
               device.c_str());
    }
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

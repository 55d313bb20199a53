// SPDX-License-Identifier: MIT
// Renders the window's two tabs in a language to PNG files:
//   window_screenshots OUTDIR LANGCODE SUFFIX PORT [FIRMWARE]
// gives OUTDIR/programming-SUFFIX.png and OUTDIR/parameters-SUFFIX.png, and
// the open language list and port list (languages-SUFFIX.png,
// ports-SUFFIX.png) taken from the screen, popups included, with COM<PORT>
// chosen. Used by scripts/screenshots.sh; without FIRMWARE it never opens a
// serial port. With FIRMWARE it then runs the operations on COM<PORT>, which
// the script points at canalarm-emu, at 9600 bit/s, and shoots the window
// after each (see ShootOperations).
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ui/TForm1.h"
#include "ui/TfrmMain.h"

namespace {

// The window and an open popup of `list`, as the screen shows them.
bool ShootOpenList(QWidget& window, QComboBox& list, const QString& file) {
  list.showPopup();
  // Let the popup settle and paint before the screen is read.
  QEventLoop settle;
  QTimer::singleShot(1000, &settle, &QEventLoop::quit);
  settle.exec();
  QWidget* popup = list.view()->window();
  const QRect area = window.frameGeometry().united(popup->frameGeometry()).adjusted(-2, -2, 2, 2);
  const QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  list.hidePopup();
  QApplication::processEvents();
  return shot.save(file);
}

// Clicks the window's buttons as a user would, and saves a shot
// after each operation: version read, parameters read, PIN changed and
// written, a file refused when opened (a failure), an upload cancelled
// halfway (a warning), file opened and written (success), help. Returns
// false when a shot could not be saved.
bool ShootOperations(canalarm::ui::TfrmMain& window, QTabWidget& tabs, const QDir& out,
                     const QString& suffix, const QString& firmware) {
  bool saved = true;
  auto shoot = [&](QWidget& widget, const char* name) {
    QApplication::processEvents();
    const QString file = out.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(name), suffix));
    saved = widget.grab().save(file) && saved;
  };
  auto click = [&](const char* name) {
    window.findChild<QAbstractButton*>(QLatin1String(name))->click();
  };
  tabs.setCurrentIndex(0);
  click("Button2");
  shoot(window, "version");
  // The parameters before the upload, which replaces them with the file's.
  tabs.setCurrentIndex(1);
  click("BitBtn2");
  shoot(window, "parameters-read");
  window.findChild<QLineEdit*>(QStringLiteral("PIN"))->setText(QStringLiteral("4321"));
  click("BitBtn1");
  shoot(window, "parameters-write");
  tabs.setCurrentIndex(0);
  // A failure: a file that is no firmware, beside the firmware file, refused
  // with the reason.
  const QString notFirmware = QFileInfo(firmware).dir().filePath(QStringLiteral("photo.hexfw"));
  {
    QFile file(notFirmware);
    saved = file.open(QIODevice::WriteOnly) && file.write("\x89PNG\r\n\x1a\n", 8) == 8 && saved;
  }
  window.ChooseFirmwareFile(notFirmware);
  shoot(window, "file-refused");
  QFile::remove(notFirmware);
  window.ChooseFirmwareFile(firmware);
  auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
  click("RadioButton1");  // 9600 bit/s, the speed the emulator's line has
  // A warning: the upload cancelled a third of the way through the FLASH.
  {
    bool cancelled = false;
    const QMetaObject::Connection third = QObject::connect(bar, &QProgressBar::valueChanged, &window, [&] {
      const int span = bar->maximum() - bar->minimum();
      if (!cancelled && span > 100 && bar->value() - bar->minimum() >= span / 3) {
        cancelled = true;
        click("Button1");
      }
    });
    click("bbUpload");
    QObject::disconnect(third);
    saved = saved && cancelled;
    shoot(window, "upload-cancelled");
  }
  // Once, halfway through the FLASH, with the time left measured.
  bool inProgress = false;
  QObject::connect(bar, &QProgressBar::valueChanged, &window, [&] {
    const int span = bar->maximum() - bar->minimum();
    if (!inProgress && span > 100 && bar->value() - bar->minimum() >= span / 2 &&
        bar->text().contains(QLatin1Char(':'))) {
      inProgress = true;
      shoot(window, "upload-progress");
    }
  });
  click("bbUpload");
  saved = saved && inProgress;
  shoot(window, "upload");
  click("Button3");
  shoot(window.HelpWindow(), "help");
  window.HelpWindow().close();
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
  const int port = argc >= 5 ? std::atoi(argv[4]) : 0;
  if ((argc != 5 && argc != 6) || std::char_traits<char>::length(argv[2]) != 1 || port < 1 || port > 12) {
    std::fprintf(stderr, "usage: %s OUTDIR LANGCODE SUFFIX PORT(1..12) [FIRMWARE]\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QString suffix = QString::fromLocal8Bit(argv[3]);

  canalarm::ui::TfrmMain window;
  // English is the start state (no logo); other languages show their brand.
  if (argv[2][0] != window.LanguageCode()) window.zmiana_jezyka(argv[2][0]);
  window.findChild<QComboBox*>(QStringLiteral("cbPort"))->setCurrentIndex(port - 1);
  window.show();
  auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  int status = 0;
  QTimer::singleShot(300, [&] {
    const char* names[] = {"programming", "parameters"};
    for (int i = 0; i < 2; ++i) {
      tabs->setCurrentIndex(i);
      QApplication::processEvents();
      const QString file = out.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(names[i]), suffix));
      if (!window.grab().save(file)) status = 1;
    }
    tabs->setCurrentIndex(0);
    for (const char* list : {"cbLanguage", "cbPort"}) {
      const QString name = QLatin1String(list) == QLatin1String("cbPort") ? QStringLiteral("ports")
                                                                          : QStringLiteral("languages");
      if (!ShootOpenList(window, *window.findChild<QComboBox*>(QLatin1String(list)),
                         out.filePath(QStringLiteral("%1-%2.png").arg(name, suffix))))
        status = 1;
    }
    if (argc == 6 && !ShootOperations(window, *tabs, out, suffix, QString::fromLocal8Bit(argv[5])))
      status = 1;
    QApplication::quit();
  });
  QApplication::exec();
  return status;
}

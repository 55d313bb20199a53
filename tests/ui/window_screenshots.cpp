// SPDX-License-Identifier: MIT
// Renders the window's two tabs in a language to PNG files:
//   window_screenshots OUTDIR LANGCODE SUFFIX [FIRMWARE]
// gives OUTDIR/programming-SUFFIX.png and OUTDIR/parameters-SUFFIX.png.
// Used by scripts/screenshots.sh; without FIRMWARE it never touches a serial
// port. With FIRMWARE it then runs the operations on COM1, which the script
// points at canalarm-emu, and shoots the window after each (see Operations).
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "ui/TComSelectForm.h"
#include "ui/TForm1.h"
#include "ui/TfrmMain.h"

namespace {

// Clicks the window's buttons as a user would, on COM1, and saves a shot
// after each operation: version read, parameters read, PIN changed and
// written, file opened and written, help. Returns false when a shot
// could not be saved.
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
  window.ChooseFirmwareFile(firmware);
  click("bbUpload");
  shoot(window, "upload");
  click("Button3");
  shoot(window.HelpWindow(), "help");
  window.HelpWindow().close();
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if ((argc != 4 && argc != 5) || std::char_traits<char>::length(argv[2]) != 1) {
    std::fprintf(stderr, "usage: %s OUTDIR LANGCODE SUFFIX [FIRMWARE]\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QString suffix = QString::fromLocal8Bit(argv[3]);

  canalarm::ui::TfrmMain window;
  // English is the start state (no logo); other languages show their brand.
  if (argv[2][0] != window.LanguageCode()) window.zmiana_jezyka(argv[2][0]);
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
    if (argc == 5 && !ShootOperations(window, *tabs, out, suffix, QString::fromLocal8Bit(argv[4])))
      status = 1;
    // The port selection dialog speaks English only; a made-up list, no probing.
    if (argv[2][0] != '1') {
      QApplication::quit();
      return;
    }
    canalarm::ui::TComSelectForm dialog;
    dialog.ShowPorts({1, 3});
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(out.filePath(QStringLiteral("port-dialog-%1.png").arg(suffix)))) status = 1;
    QApplication::quit();
  });
  QApplication::exec();
  return status;
}

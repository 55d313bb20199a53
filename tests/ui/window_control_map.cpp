// SPDX-License-Identifier: MIT
// Where the window's controls are, for a test that clicks the real program
// from outside (tests/wine/run_gui_wine.py drives canalarm-gui.exe with
// xdotool): lays the window out as canalarm-gui does, on the same platform,
// style and fonts, and writes one line per visible named control and per tab
//   NAME X Y WIDTH HEIGHT
// in pixels from the top left corner of the window's frame (what the window
// system's window starts with), then exits. Never touches a serial port.
//   window_control_map OUTFILE
#include <QApplication>
#include <QFile>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "ui/BrandLogo.h"
#include "ui/TfrmMain.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_control_map OUTFILE\n");
    return 2;
  }
  QApplication application(argc, argv);
  // As app/main.cpp names the program: the settings and the title follow.
  QApplication::setApplicationName(QStringLiteral("canalarm-gui"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvex - Bootloader"));
  QApplication::setWindowIcon(canalarm::ui::ProgramIcon());

  canalarm::ui::TfrmMain window;
  window.show();
  int status = 1;
  // Once the window is shown and laid out (the first paint has been queued).
  QTimer::singleShot(500, &window, [&] {
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
      QApplication::exit(1);
      return;
    }
    QTextStream out(&file);
    const QPoint frame = window.frameGeometry().topLeft();
    auto write = [&](const QString& name, QPoint globalTopLeft, QSize size) {
      const QPoint at = globalTopLeft - frame;
      out << name << ' ' << at.x() << ' ' << at.y() << ' ' << size.width() << ' ' << size.height() << '\n';
    };
    write(QStringLiteral("window"), window.mapToGlobal(QPoint(0, 0)), window.size());
    // Each tab's controls as they are when the tab is shown; tabs by their
    // pages' names ("tab:TabSheet2").
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    QSet<QString> written;
    for (int i = 0; i < (tabs ? tabs->count() : 1); ++i) {
      if (tabs) tabs->setCurrentIndex(i);
      QApplication::processEvents();
      for (QWidget* control : window.findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || !control->isVisible() || written.contains(name)) continue;
        written.insert(name);
        write(name, control->mapToGlobal(QPoint(0, 0)), control->size());
      }
    }
    if (tabs) {
      tabs->setCurrentIndex(0);
      for (int i = 0; i < tabs->count(); ++i) {
        const QRect r = tabs->tabBar()->tabRect(i);
        write(QStringLiteral("tab:") + tabs->widget(i)->objectName(),
              tabs->tabBar()->mapToGlobal(r.topLeft()), r.size());
      }
    }
    out.flush();
    status = file.error() == QFile::NoError ? 0 : 1;
    QApplication::exit(status);
  });
  QApplication::exec();
  return status;
}

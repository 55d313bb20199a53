// Renders the window's two tabs in a language to PNG files:
//   window_screenshots OUTDIR LANGCODE SUFFIX
// gives OUTDIR/programming-SUFFIX.png and OUTDIR/parameters-SUFFIX.png.
// Used by scripts/screenshots.sh; never touches a serial port.
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "ui/TComSelectForm.h"
#include "ui/TfrmMain.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 4 || std::char_traits<char>::length(argv[2]) != 1) {
    std::fprintf(stderr, "usage: %s OUTDIR LANGCODE SUFFIX\n", argv[0]);
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

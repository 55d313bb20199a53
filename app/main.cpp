// canalarm-gui: the service tool's window.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "ui/BrandLogo.h"
#include "ui/TfrmMain.h"

int main(int argc, char* argv[]) {
  // Answered before QApplication, so that it works without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", CANALARM_VERSION);
      return 0;
    }
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("canalarm-gui"));
  QApplication::setApplicationVersion(QStringLiteral(CANALARM_VERSION));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvex - Bootloader"));
  QApplication::setDesktopFileName(QStringLiteral("canalarm-gui"));
  QApplication::setWindowIcon(canalarm::ui::ProgramIcon());

  canalarm::ui::TfrmMain window;
  window.show();
  return QApplication::exec();
}

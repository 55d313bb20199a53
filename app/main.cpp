// SPDX-License-Identifier: MIT
// canalarm-gui: the service tool's window.
#include <QApplication>
#include <QFile>
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
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("Usage: canalarm-gui [FILE]\n"
                  "  FILE        a firmware file to open, as the Open button would\n"
                  "  --version   print the version and exit\n"
                  "  -h,--help   print this help and exit\n");
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
  // QApplication has taken its own options out of argv; what is left is the
  // file that the desktop entry passes (Exec=canalarm-gui %f).
  if (argc > 1) window.ChooseFirmwareFile(QFile::decodeName(argv[1]));
  return QApplication::exec();
}

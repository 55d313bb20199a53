// canalarm-gui: the service tool's window.
#include <QApplication>

#include "ui/BrandLogo.h"
#include "ui/TfrmMain.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("canalarm-gui"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvex - Bootloader"));
  QApplication::setDesktopFileName(QStringLiteral("canalarm-gui"));
  QApplication::setWindowIcon(canalarm::ui::ProgramIcon());

  canalarm::ui::TfrmMain window;
  window.show();
  return QApplication::exec();
}

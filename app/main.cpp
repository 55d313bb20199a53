// SPDX-License-Identifier: MIT
// canalarm-gui: the service tool's window.
//   canalarm-gui [--lang CODE] [FILE]
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/BrandLogo.h"
#include "ui/GuiCommandLine.h"
#include "ui/TfrmMain.h"

int main(int argc, char* argv[]) {
  // Answered before QApplication, so that it works without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", CANALARM_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("Usage: canalarm-gui [--lang CODE] [FILE]\n"
                  "  --lang CODE  language of this run: 0-6 or pl, en, de, ru, sk, cz, hu\n"
                  "  FILE         firmware file to open at start, as the Open button would\n"
                  "  --version    print the version and exit\n"
                  "  -h,--help    print this help and exit\n");
      return 0;
    }
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("canalarm-gui"));
  QApplication::setApplicationVersion(QStringLiteral(CANALARM_VERSION));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvex - Bootloader"));
  QApplication::setDesktopFileName(QStringLiteral("canalarm-gui"));
  QApplication::setWindowIcon(canalarm::ui::ProgramIcon());

  // What is left once Qt has taken its own options.
  std::vector<std::string> arguments;
  const QStringList qtArguments = QApplication::arguments();
  for (qsizetype i = 1; i < qtArguments.size(); ++i)
    arguments.push_back(qtArguments[i].toUtf8().toStdString());  // file names in UTF-8, as the core takes them
  const canalarm::ui::GuiCommandLine line = canalarm::ui::ParseGuiCommandLine(arguments);
  if (!line.error.empty()) {
    std::fprintf(stderr, "canalarm-gui: %s\n", line.error.c_str());
    return 2;
  }

  canalarm::ui::TfrmMain window;
  if (line.language && canalarm::LanguageCode(*line.language) != window.LanguageCode())
    window.SelectLanguage(*line.language);
  if (!line.firmwareFile.empty()) window.OpenFirmwareFile(QString::fromUtf8(line.firmwareFile));
  window.show();
  return QApplication::exec();
}

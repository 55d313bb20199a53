// SPDX-License-Identifier: MIT
// The window tests' ports on POSIX: a private ports folder for the whole run
// of a program that has not chosen one, where COM1 to COM50 lead nowhere,
// and the backups taken before every write beside it.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <string>

#include "WindowTestSupport.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::test {

void GuardTestPorts() {
  static QTemporaryDir* home = nullptr;
  if (home == nullptr && qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
    home = new QTemporaryDir;  // lives until the program ends
    if (!home->isValid()) qFatal("no temporary folder");
    qputenv("XDG_CONFIG_HOME", home->path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home->filePath(QStringLiteral("data")).toLocal8Bit());
    const QString ports = home->filePath(QStringLiteral("canalarm/ports"));
    QDir().mkpath(ports);
    for (int n = 1; n <= serl::kMaxProbedPort; ++n)
      QFile::link(QStringLiteral("/nonexistent/canalarm-test"), ports + QStringLiteral("/com%1").arg(n));
  }
  for (int n = 1; n <= serl::kMaxProbedPort; ++n) {
    const std::string device = serl::ResolveDevicePath(serl::ComPortPath(n));
    if (!device.empty() && !device.starts_with("/dev/pts/"))
      qFatal("refusing to run: COM%d leads to %s", n, device.c_str());
  }
}

QString UnopenedCom1Detail() {
  // The private ports folder's link, which leads nowhere.
  return QStringLiteral("COM1 (/nonexistent/canalarm-test): no such device");
}

}  // namespace canalarm::test

// SPDX-License-Identifier: MIT
// The window tests' ports on Windows: only under the Wine test runner
// (tests/wine/run_wine_tests.py), whose prefix maps every COM port to one of
// its pseudo-terminals or to nothing and lists that mapping in the file
// CANALARM_WINE_PORTS names. Anywhere else (real Windows, a Wine prefix of
// one's own) the window would reach real ports: the program stops.
#include <QFile>
#include <QString>
#include <QtGlobal>

#include "WindowTestSupport.h"
#include "WinePortListing.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::test {

void GuardTestPorts() {
  const QString listing = qEnvironmentVariable("CANALARM_WINE_PORTS");
  if (listing.isEmpty())
    qFatal("refusing to run: no CANALARM_WINE_PORTS; run under tests/wine/run_wine_tests.py");
  // Wine's drive Z: is the Linux root.
  QFile file(QStringLiteral("Z:") + listing);
  if (!file.open(QIODevice::ReadOnly))
    qFatal("refusing to run: cannot read the checked COM ports %s", qPrintable(listing));
  const std::string problem = WinePortListingProblem(file.readAll().toStdString(), serl::kMaxProbedPort);
  if (!problem.empty()) qFatal("refusing to run: %s", problem.c_str());
}

QString UnopenedCom1Detail() {
  // A COM port is its own device name; present (a test line), the reason is
  // the open's own.
  return QStringLiteral("COM1 (COM1): COM1: no such port");
}

}  // namespace canalarm::test

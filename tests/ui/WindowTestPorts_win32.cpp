// SPDX-License-Identifier: MIT
// The window tests' ports on Windows: only under the Wine test runner
// (tests/wine/run_wine_tests.py), whose prefix maps every COM port to one of
// its pseudo-terminals or to nothing, and which lists that mapping in the
// file CANALARM_WINE_PORTS names ("comN TARGET" lines). Anywhere else (real
// Windows, a Wine prefix of one's own) the window would reach real ports:
// the program stops.
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <set>

#include "WindowTestSupport.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::test {

namespace {

// Where run_wine_tests.py points a COM number it does not use.
constexpr const char* kMasked = "/nonexistent/canalarm-masked-port";

}  // namespace

void GuardTestPorts() {
  const QString listing = qEnvironmentVariable("CANALARM_WINE_PORTS");
  if (listing.isEmpty())
    qFatal("refusing to run: no CANALARM_WINE_PORTS; run under tests/wine/run_wine_tests.py");
  // Wine's drive Z: is the Linux root.
  QFile file(QStringLiteral("Z:") + listing);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    qFatal("refusing to run: cannot read the checked COM ports %s", qPrintable(listing));
  std::set<int> checked;
  while (!file.atEnd()) {
    const QStringList fields = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(' '));
    if (fields.size() != 2) continue;
    const int n = serl::ParseComPortPath(fields[0].toStdString());
    const QString& target = fields[1];
    if (n == 0 || !(target.startsWith(QStringLiteral("/dev/pts/")) || target == QLatin1String(kMasked)))
      qFatal("refusing to run: %s leads to %s", qPrintable(fields[0]), qPrintable(target));
    checked.insert(n);
  }
  for (int n = 1; n <= serl::kMaxProbedPort; ++n) {
    if (!checked.contains(n)) qFatal("refusing to run: COM%d is not among the checked ports", n);
  }
}

}  // namespace canalarm::test

// SPDX-License-Identifier: MIT
// A full upload through the window, headless (QT_QPA_PLATFORM=offscreen):
// the window on the real serial port component opens FILE and uploads it to
// COMn at the chosen speed, as a fitter's clicks would. Prints one JSON
// object: the log, the wall and processor time of the upload (the click on
// bbUpload, which returns when the operation has ended), and the link's
// timing as bench/TimedLinkPort.h notes it.
//
// usage: window_upload FILE.hexfw COMn 9600|19200|38400
//        window_upload --version-read COMn 9600|19200|38400
// The second form clicks the version read (Button2) instead: against a
// module that never answers, it shows what a wait costs the processor.
// COMn must lead to a pseudo-terminal through the ports folder; anything
// else is refused.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TimedLinkPort.h"
#include "link/SerialLinkPort.h"
#include "serial/SerlPortPaths.h"
#include "serial/TSerlComPort.h"
#include "ui/HandlerGuard.h"
#include "ui/TfrmMain.h"

namespace {

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

template <typename T = QAbstractButton>
T* Find(QWidget& root, const char* name) {
  T* control = root.findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) qFatal("no control %s", name);
  return control;
}

// "{median, p99}" of the durations in milliseconds.
std::string Percentiles(std::vector<std::chrono::steady_clock::duration> values) {
  if (values.empty()) return "null";
  std::sort(values.begin(), values.end());
  auto ms = [&](double q) {
    return std::chrono::duration<double, std::milli>(
               values[std::min(values.size() - 1, std::size_t(q * double(values.size())))])
        .count();
  };
  char text[96];
  std::snprintf(text, sizeof text, "{\"median_ms\": %.4f, \"p99_ms\": %.4f}", ms(0.5), ms(0.99));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: window_upload FILE|--version-read COMn BAUD\n");
    return 2;
  }
  const bool versionRead = std::string(argv[1]) == "--version-read";
  const QString file = QString::fromLocal8Bit(argv[1]);
  const int com = std::atoi(argv[2] + (std::string(argv[2]).rfind("COM", 0) == 0 ? 3 : 0));
  const std::string baud = argv[3];
  const std::string device = canalarm::serl::ResolveDevicePath(canalarm::serl::ComPortPath(com));
  if (com < 1 || com > 12 || device.rfind("/dev/pts/", 0) != 0) {
    std::fprintf(stderr, "window_upload: refusing COM%d (%s): not a pseudo-terminal\n", com, device.c_str());
    return 2;
  }

  // The window's link port is the serial one, with the benchmark's timing
  // pass-through around it.
  canalarm::serl::TSerlComPort component;
  canalarm::SerialLinkPort serial(component);
  auto timed = std::make_unique<canalarm::bench::TimedLinkPort>(serial);
  canalarm::bench::TimedLinkPort& port = *timed;
  canalarm::ui::TfrmMain window(std::move(timed));
  QStringList errors;
  window.Guard().SetErrorPresenter([&errors](const QString& message) { errors << message; });
  window.show();
  QApplication::processEvents();
  if (!versionRead) {
    window.SetFileChooser([&file](QFileDialog&) { return file; });
    Find(window, "bbOpen")->click();
  }
  Find<QComboBox>(window, "cbPort")->setCurrentIndex(com - 1);
  Find(window, baud == "38400" ? "RadioButton3" : baud == "19200" ? "RadioButton2" : "RadioButton1")->click();
  QApplication::processEvents();

  const double cpu0 = ProcessorSeconds();
  const auto start = std::chrono::steady_clock::now();
  Find(window, versionRead ? "Button2" : "bbUpload")->click();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = ProcessorSeconds() - cpu0;

  const QStringList log = Find<QPlainTextEdit>(window, "meLog")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  auto acks = port.Turnarounds();
  if (!acks.empty()) acks.erase(acks.begin());  // the wake-up's answer
  std::printf("{\"wall_s\": %.4f, \"cpu_s\": %.4f, \"acks\": %s, \"sends\": %s, \"errors\": %lld, \"log\": [",
              wall, cpu, Percentiles(acks).c_str(), Percentiles(port.Sends()).c_str(),
              static_cast<long long>(errors.size()));
  for (qsizetype i = 0; i < log.size(); ++i)
    std::printf("%s\"%s\"", i ? ", " : "", log[i].toUtf8().replace('"', '\'').constData());
  std::printf("]}\n");
  return errors.isEmpty() ? 0 : 1;
}

// SPDX-License-Identifier: MIT
// Pieces of the serial layer that need no device: port path resolution,
// errno translation, the ring's counting, the trace and its file.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "serial/SerlErrorText.h"
#include "serial/SerlErrors.h"
#include "serial/SerlHardwareIds.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlPortPaths.h"
#include "serial/SerlSystemText.h"
#include "serial/TSerlComPort.h"
#include "serial/TSerlLog.h"
#include "serial/TSerlNotifier.h"
#include "serial/TSerlRing.h"
#include "serial/TSerlTrace.h"
#ifdef _WIN32
#include "serial/TSerlWin32Dispatcher.h"
#else
#include <poll.h>
#include <unistd.h>

#include "SerlTestPty.h"
#include "serial/TSerlPosixDispatcher.h"
#endif

namespace canalarm::serl {
namespace {

namespace fs = std::filesystem;

TEST(PortPaths, ComNamesParseStrictly) {
  EXPECT_EQ(ComPortPath(7), "\\\\.\\COM7");
  EXPECT_EQ(ParseComPortPath("\\\\.\\COM12"), 12);
  EXPECT_EQ(ParseComPortPath("com3"), 3);
  EXPECT_EQ(ParseComPortPath("COM"), 0);
  EXPECT_EQ(ParseComPortPath("COM1x"), 0);
  EXPECT_EQ(ParseComPortPath("/dev/ttyUSB0"), 0);
}

#ifdef _WIN32

TEST(PortPaths, WindowsNamesItsOwnPorts) {
  EXPECT_EQ(ResolveDevicePath(ComPortPath(3)), "\\\\.\\COM3");
  EXPECT_EQ(ResolveDevicePath("com12"), "\\\\.\\COM12");
  EXPECT_EQ(Win32DeviceName("COM7"), "\\\\.\\COM7");
  EXPECT_EQ(Win32DeviceName("\\\\.\\COM7"), "\\\\.\\COM7");
  EXPECT_EQ(Win32DeviceName("\\\\.\\CNCA0"), "\\\\.\\CNCA0");
}

TEST(Win32Errors, DeviceGoneErrorsAreTold) {
  for (DWORD gone : {21ul, 31ul, 22ul, 433ul, 1117ul, 1167ul, 1617ul}) EXPECT_TRUE(IsDeviceGoneError(gone)) << gone;
  // Not a device that left: a port held by another program, a bad setting,
  // an aborted request.
  for (DWORD other : {2ul, 5ul, 87ul, 995ul}) EXPECT_FALSE(IsDeviceGoneError(other)) << other;
}

TEST(Win32Errors, SystemTextsComeFromTheSystem) {
  // The system's wording ("The system cannot find the file specified." on
  // Windows, "File not found." under Wine).
  EXPECT_NE(SystemErrorText(sysFileNotFound).find("ot found"), std::string::npos) << SystemErrorText(2);
  EXPECT_NE(SystemErrorText(sysAccessDenied).find("denied"), std::string::npos);
  EXPECT_NE(SystemErrorText(sysPermissionDenied).find("Permission denied"), std::string::npos);
  // Ours, cleaned: no line break left from the system's text.
  EXPECT_EQ(ErrorMessage(-sysFileNotFound).find('\n'), std::string::npos);
}

#else

TEST(PortPaths, DefaultsCoverTwelvePortsOnly) {
  EXPECT_EQ(DefaultComDevice(1), "/dev/ttyS0");
  EXPECT_EQ(DefaultComDevice(4), "/dev/ttyS3");
  EXPECT_EQ(DefaultComDevice(5), "/dev/ttyUSB0");
  EXPECT_EQ(DefaultComDevice(8), "/dev/ttyUSB3");
  EXPECT_EQ(DefaultComDevice(9), "/dev/ttyACM0");
  EXPECT_EQ(DefaultComDevice(12), "/dev/ttyACM3");
  EXPECT_EQ(DefaultComDevice(0), "");
  EXPECT_EQ(DefaultComDevice(13), "");
}

TEST(PortPaths, FolderEntriesWinOverDefaults) {
  test::TPortsFolder folder;  // every port masked
  const fs::path dir = PortsFolder();
  EXPECT_EQ(dir, fs::path(std::getenv("XDG_CONFIG_HOME")) / "canalarm" / "ports");
  EXPECT_EQ(ResolveDevicePath(ComPortPath(1)), "");  // the mask hides /dev/ttyS0

  fs::remove(dir / "com5");
  EXPECT_EQ(ResolveDevicePath(ComPortPath(5)), "/dev/ttyUSB0");  // no entry: default
  fs::remove(dir / "com20");
  EXPECT_EQ(ResolveDevicePath(ComPortPath(20)), "");

  // A relative link resolves against the folder.
  std::ofstream(dir / "device-file").put('x');
  fs::remove(dir / "com2");
  fs::create_symlink("device-file", dir / "com2");
  EXPECT_EQ(ResolveDevicePath("\\\\.\\COM2"), (dir / "device-file").string());

  // Device paths pass unchanged.
  EXPECT_EQ(ResolveDevicePath("/dev/ttyUSB7"), "/dev/ttyUSB7");
}

TEST(PortPaths, RelativeXdgConfigHomeIsIgnored) {
  test::TPortsFolder folder;
  ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  const char* home = std::getenv("HOME");
  EXPECT_EQ(PortsFolder(), fs::path(home ? home : "") / ".config" / "canalarm" / "ports");
}

TEST(PosixErrors, TranslateToSystemNumbers) {
  EXPECT_EQ(PosixErrorToSystem(ENOENT), sysFileNotFound);
  EXPECT_EQ(PosixErrorToSystem(ENOTDIR), sysPathNotFound);
  EXPECT_EQ(PosixErrorToSystem(EBUSY), sysAccessDenied);
  EXPECT_EQ(PosixErrorToSystem(EWOULDBLOCK), sysAccessDenied);
  EXPECT_EQ(PosixErrorToSystem(EACCES), sysPermissionDenied);
  EXPECT_EQ(PosixErrorToSystem(EINVAL), sysInvalidParameter);
  EXPECT_EQ(PosixErrorToSystem(EIO), sysDeviceNotConnected);
  EXPECT_EQ(PosixErrorToSystem(EIO, true), sysFileNotFound);
  EXPECT_EQ(PosixErrorToSystem(ENXIO, true), sysFileNotFound);
  EXPECT_EQ(PosixErrorToSystem(EFAULT), sysGenFailure);
}

#endif

TEST(WindowsHardwareIds, KindUsbIdsAndSerialNumber) {
  struct Case {
    const char* hardwareId;
    const char* instanceId;
    TPortKind kind;
    const char* vendor;
    const char* product;
    const char* serial;
  };
  const Case cases[] = {
      {"USB\\VID_0403&PID_6001&REV_0600", "USB\\VID_0403&PID_6001\\A1B2C3", TPortKind::UsbAdapter,
       "0403", "6001", "A1B2C3"},
      // A composite device's interface: the last part is a location, no serial.
      {"USB\\VID_2341&PID_003D&MI_00", "USB\\VID_2341&PID_003D&MI_00\\6&2F8A1B&0&0000",
       TPortKind::UsbAdapter, "2341", "003d", ""},
      {"FTDIBUS\\COMPORT&VID_0403&PID_6015", "FTDIBUS\\VID_0403+PID_6015+DN01ABCDA\\0000",
       TPortKind::UsbAdapter, "0403", "6015", "DN01ABCD"},
      {"ACPI\\PNP0501", "ACPI\\PNP0501\\1", TPortKind::OnboardUart, "", "", ""},
      {"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}", "BTHENUM\\X\\7&1", TPortKind::Other, "",
       "", ""},
      {"USB\\VID_12", "USB\\VID_12\\x", TPortKind::UsbAdapter, "", "", "x"},
  };
  for (const Case& c : cases) {
    TSerlPortDescription port;
    DescribeWindowsHardwareId(c.hardwareId, c.instanceId, port);
    EXPECT_EQ(port.kind, c.kind) << c.hardwareId;
    EXPECT_EQ(port.vendorId, c.vendor) << c.hardwareId;
    EXPECT_EQ(port.productId, c.product) << c.hardwareId;
    EXPECT_EQ(port.serialNumber, c.serial) << c.instanceId;
  }
}

TEST(Ring, CountsByPositionsAndFullFlag) {
  TSerlRing r;
  r.Allocate(8);
  EXPECT_TRUE(r.Empty());
  r.readPos = 2;
  r.writePos = 6;
  EXPECT_EQ(r.Count(), 4);
  r.readPos = 6;
  r.writePos = 2;
  EXPECT_EQ(r.Count(), 4);
  EXPECT_EQ(r.FreeSpace(), 4);
  r.readPos = r.writePos = 5;
  EXPECT_EQ(r.Count(), 0);
  r.full = true;
  EXPECT_EQ(r.Count(), 8);
  EXPECT_FALSE(r.Empty());
}

std::vector<TSerlTraceEntry> Entries(std::initializer_list<std::pair<char, int>> list) {
  std::vector<TSerlTraceEntry> v;
  for (auto [k, b] : list) v.push_back({k, static_cast<std::uint8_t>(b)});
  return v;
}

TEST(Trace, RendersGroupsAndByteForms) {
  EXPECT_EQ(TSerlTrace::Render(Entries({{'R', 0x41}, {'R', 0x42}, {'T', 0x0F}}), true, false),
            "Receive: \nAB\n\nTransmit: \n[0F]\n");
  // Space is a character without hex, a hex item with it; decimal otherwise.
  EXPECT_EQ(TSerlTrace::Render(Entries({{'T', ' '}, {'T', 5}, {'T', 200}}), false, false),
            "Transmit: \n [5][200]\n");
  EXPECT_EQ(TSerlTrace::Render(Entries({{'T', ' '}, {'T', 'a'}}), true, true),
            "Transmit: \n[20][61]\n");
  EXPECT_EQ(TSerlTrace::Render(Entries({{'X', 'a'}}), true, false), "Special-X: \na\n");
}

TEST(Trace, LinesBreakBefore79Columns) {
  std::vector<TSerlTraceEntry> v(30, TSerlTraceEntry{'T', 0x01});  // 4 columns each
  const auto text = TSerlTrace::Render(v, true, false);
  std::istringstream in(text);
  std::string header, first, second;
  std::getline(in, header);
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(first.size(), 76u);  // 19 items; the 20th would reach 80
  EXPECT_EQ(second.size(), 44u);
}

TEST(Trace, WrappedBufferKeepsNewestEntriesOldestFirst) {
  TSerlTrace t;
  TSerlTrace::Settings s;
  s.size = 4;
  t.Apply(TTraceLogState::tlOn, s);
  for (int i = 0; i < 6; ++i) t.Add('T', static_cast<std::uint8_t>(i));
  const auto e = t.Entries();
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e.front().byte, 2);
  EXPECT_EQ(e.back().byte, 5);

  t.Apply(TTraceLogState::tlPause, s);
  t.Add('T', 9);
  EXPECT_EQ(t.Entries().back().byte, 5);
  t.Apply(TTraceLogState::tlClear, s);
  EXPECT_TRUE(t.Entries().empty());
  EXPECT_EQ(t.State(), TTraceLogState::tlPause);
}

class TraceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("canalarm-trace-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
    settings_.fileName = (dir_ / "SERL.TRC").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string FileText() {
    std::ifstream in(settings_.fileName);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path dir_;
  TSerlTrace::Settings settings_;
};

TEST_F(TraceFileTest, DumpWritesAndAppendAdds) {
  TSerlTrace t;
  t.Apply(TTraceLogState::tlOn, settings_);
  t.Add('R', 'A');
  EXPECT_EQ(t.Apply(TTraceLogState::tlDump, settings_), 0);
  EXPECT_EQ(t.State(), TTraceLogState::tlOff);
  EXPECT_EQ(FileText(), "Receive: \nA\n");

  t.Apply(TTraceLogState::tlOn, settings_);
  t.Add('T', 'B');
  EXPECT_EQ(t.Apply(TTraceLogState::tlAppend, settings_), 0);
  EXPECT_EQ(FileText(), "Receive: \nA\nTransmit: \nB\n");

  // An empty trace writes nothing, so the file stays as it was.
  t.Apply(TTraceLogState::tlOn, settings_);
  EXPECT_EQ(t.Apply(TTraceLogState::tlDump, settings_), 0);
  EXPECT_EQ(FileText(), "Receive: \nA\nTransmit: \nB\n");
}

TEST_F(TraceFileTest, UnwritableFileReportsAndStopsTracing) {
  TSerlTrace t;
  settings_.fileName = (dir_ / "missing" / "SERL.TRC").string();
  t.Apply(TTraceLogState::tlOn, settings_);
  t.Add('R', 1);
  EXPECT_EQ(t.Apply(TTraceLogState::tlDump, settings_), -sysFileNotFound);
  EXPECT_EQ(t.State(), TTraceLogState::tlOff);
}

TEST(Log, KeepsNewestEventsWithinItsSize) {
  TSerlLog log;
  TSerlLog::Settings s;
  s.size = 40;  // two bare records
  log.Apply(TTraceLogState::tlOn, s);
  log.Add(1230, TLogEvent::DeviceRead, 3, std::vector<std::uint8_t>{'A', 'B', 0x01});
  log.Add(2000, TLogEvent::QueueOutput, 1);
  log.Add(3000, TLogEvent::Purge, 0);
  const auto text = log.Render(true, false);
  EXPECT_EQ(text.find("Read"), std::string::npos);  // pushed out
  EXPECT_NE(text.find("      2.00 s  Queue"), std::string::npos);
  EXPECT_NE(text.find("Purge"), std::string::npos);
}

TEST(ComPortDefaults, MatchThePublishedProperties) {
  TSerlComPort p;
  EXPECT_EQ(p.DeviceLayer(), TDeviceLayer::dlWin32);
  EXPECT_EQ(p.ComNumber(), 0);
  EXPECT_EQ(p.Baud(), 19200);
  EXPECT_TRUE(p.PromptForPort());
  EXPECT_EQ(p.Parity(), TParity::pNone);
  EXPECT_EQ(p.DataBits(), 8);
  EXPECT_EQ(p.StopBits(), 1);
  EXPECT_EQ(p.InSize(), 4096);
  EXPECT_EQ(p.OutSize(), 4096);
  EXPECT_TRUE(p.AutoOpen());
  EXPECT_FALSE(p.Open());
  EXPECT_TRUE(p.DTR());
  EXPECT_TRUE(p.RTS());
  EXPECT_EQ(p.HWFlowOptions(), 0);
  EXPECT_EQ(p.SWFlowOptions(), TSWFlowOptions::swfNone);
  EXPECT_EQ(p.XOnChar(), 17);
  EXPECT_EQ(p.XOffChar(), 19);
  EXPECT_EQ(p.Tracing(), TTraceLogState::tlOff);
  EXPECT_EQ(p.TraceSize(), 10000u);
  EXPECT_EQ(p.TraceName(), "SERL.TRC");
  EXPECT_EQ(p.Logging(), TTraceLogState::tlOff);
  EXPECT_EQ(p.LogName(), "SERL.LOG");
  EXPECT_EQ(p.TapiMode(), TTapiMode::tmAuto);
  EXPECT_EQ(p.CommNotificationLevel(), 10);
  EXPECT_EQ(p.PortPhase(), TPortPhase::ppClosed);
  EXPECT_EQ(p.NotificationDescriptor(), -1);

  p.SetTraceSize(5000000);
  EXPECT_EQ(p.TraceSize(), 4000000u);
  p.SetLogSize(20000000);
  EXPECT_EQ(p.LogSize(), 16000000u);
  p.SetTraceName(std::string(300, 'n'));
  EXPECT_EQ(p.TraceName().size(), 255u);
}

#ifndef _WIN32
// A Post that writes its wake-up after a Take has taken its message leaves
// the descriptor readable with nothing pending. A wait must not return at
// once on that (the host would spin until the next byte): it drains the
// descriptor and sleeps for its time.
TEST(Notifier, StaleWakeUpIsDrainedAndTheWaitSleeps) {
  TSerlNotifier notifier;
  notifier.Post(TSerlNotifier::nmDataAvailable);
  EXPECT_EQ(notifier.Take(), TSerlNotifier::nmDataAvailable);
  const std::uint64_t one = 1;
  ASSERT_EQ(::write(notifier.Descriptor(), &one, sizeof one), static_cast<ssize_t>(sizeof one));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(notifier.Wait(200));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
  pollfd p{notifier.Descriptor(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 0), 0) << "the stale wake-up is still there";

  // A message posted afterwards still wakes the wait.
  notifier.Post(TSerlNotifier::nmDataAvailable);
  EXPECT_TRUE(notifier.Wait(5000));
  EXPECT_EQ(notifier.Take(), TSerlNotifier::nmDataAvailable);
}
#endif

}  // namespace
}  // namespace canalarm::serl

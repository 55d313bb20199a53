// TSerlComPort over real pseudo-terminal pairs: bytes through the rings and
// threads, the byte operations' failures, exclusive opening, vanishing peers.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#include "SerlTestPty.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlPortProbe.h"
#include "serial/TSerlComPort.h"

namespace canalarm::serl {
namespace {

using test::TPortsFolder;
using test::TPtyPair;
using test::WaitFor;

std::vector<std::uint8_t> Pattern(std::size_t n, std::size_t offset = 0) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i + offset) * 7 + (i + offset) / 251);
  return v;
}

bool ExclusiveFlag(int fd) {
  int on = 0;
  if (::ioctl(fd, TIOCGEXCL, &on) != 0) return false;
  return on != 0;
}

class PtyPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Bind(3, pty_);
    port_.SetComNumber(3);
    port_.SetBaud(9600);
  }
  void OpenPort() {
    port_.SetOpen(true);
    ASSERT_TRUE(port_.Open());
  }
  std::vector<std::uint8_t> ReadAvailable(std::size_t n, int timeoutMs = 10000) {
    std::vector<std::uint8_t> got;
    WaitFor([&] {
      while (got.size() < n && port_.ByteAvailable()) got.push_back(port_.ReadByte());
      return got.size() >= n;
    }, timeoutMs);
    return got;
  }

  TPortsFolder folder_;
  TPtyPair pty_;
  TSerlComPort port_;
};

TEST_F(PtyPortTest, BytesTravelBothWaysInOrder) {
  OpenPort();
  EXPECT_FALSE(port_.ByteAvailable());

  const auto in = Pattern(600);
  ASSERT_TRUE(pty_.PeerWrite(in));
  EXPECT_EQ(ReadAvailable(in.size()), in);

  const auto out = Pattern(3000, 11);
  for (auto b : out) port_.WriteByte(b);
  EXPECT_EQ(pty_.PeerRead(out.size()), out);
}

TEST_F(PtyPortTest, OpenSetsRawLineAndBaudChangesApply) {
  OpenPort();
  termios t{};
  ASSERT_EQ(::tcgetattr(pty_.Slave(), &t), 0);
  EXPECT_EQ(::cfgetospeed(&t), B9600);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  port_.SetBaud(38400);
  ASSERT_EQ(::tcgetattr(pty_.Slave(), &t), 0);
  EXPECT_EQ(::cfgetospeed(&t), B38400);

  // A pseudo-terminal keeps 8 bits without parity whatever it is told; the
  // setting is read back, so a line the driver did not take is refused.
  EXPECT_THROW(port_.SetParity(TParity::pEven), EInOutError);

  // A speed the driver does not know is refused and raised.
  EXPECT_THROW(port_.SetBaud(12345), EInOutError);
  EXPECT_TRUE(port_.Open());
}

TEST_F(PtyPortTest, ReadByteOnEmptyRingRaisesAndPortStaysOpen) {
  OpenPort();
  try {
    port_.ReadByte();
    FAIL() << "no exception";
  } catch (const EBufferIsEmpty& e) {
    EXPECT_EQ(e.ErrorCode(), ecBufferIsEmpty);
  }
  EXPECT_TRUE(port_.Open());
  ASSERT_TRUE(pty_.PeerWrite({0x4B}));
  EXPECT_EQ(ReadAvailable(1), std::vector<std::uint8_t>{0x4B});
}

TEST_F(PtyPortTest, UnreadBurstFillsRingAndWaitsInDriver) {
  OpenPort();
  const std::size_t extra = 1500;
  const auto burst = Pattern(TSerlBaseDispatcher::kInputRingSize + extra);
  std::thread writer([&] { pty_.PeerWrite(burst); });
  auto* d = port_.Dispatcher();
  ASSERT_TRUE(WaitFor([&] { return d->InputCount() == TSerlBaseDispatcher::kInputRingSize; }));
  ASSERT_TRUE(WaitFor([&] { return pty_.SlaveInputQueued() > 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(d->InputCount(), TSerlBaseDispatcher::kInputRingSize);  // nothing overwritten

  // Reading frees space; the rest comes in from the driver, in order.
  EXPECT_EQ(ReadAvailable(burst.size()), burst);
  writer.join();
}

TEST_F(PtyPortTest, ClearInputEmptiesRingAndDriverQueue) {
  OpenPort();
  const auto burst = Pattern(TSerlBaseDispatcher::kInputRingSize + 1000);
  std::thread writer([&] { pty_.PeerWrite(burst); });
  ASSERT_TRUE(WaitFor([&] { return port_.Dispatcher()->InputCount() == TSerlBaseDispatcher::kInputRingSize; }));
  ASSERT_TRUE(WaitFor([&] { return pty_.SlaveInputQueued() > 0; }));
  writer.join();

  port_.ClearInput();
  EXPECT_FALSE(port_.ByteAvailable());
  EXPECT_EQ(pty_.SlaveInputQueued(), 0);

  // Bytes sent after the clear are read normally.
  ASSERT_TRUE(pty_.PeerWrite({1, 2, 3}));
  EXPECT_EQ(ReadAvailable(3), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_FALSE(port_.ByteAvailable());
}

TEST_F(PtyPortTest, WriteByteIntoFullOutputRingRaises) {
  port_.SetOutSize(32);
  OpenPort();
  pty_.FillTowardsPeer(0xAA);  // the terminal takes no more bytes

  bool raised = false;
  std::vector<std::uint8_t> queued;
  for (int i = 0; i < 5000 && !raised; ++i) {
    try {
      port_.WriteByte(static_cast<std::uint8_t>(i));
      queued.push_back(static_cast<std::uint8_t>(i));
    } catch (const EOutputBufferTooSmall& e) {
      EXPECT_EQ(e.ErrorCode(), ecOutputBufferTooSmall);
      raised = true;
      EXPECT_EQ(port_.Dispatcher()->OutputCount(), 32);
    }
  }
  ASSERT_TRUE(raised);
  EXPECT_TRUE(port_.Open());

  // Once the peer reads, the full ring is written out completely, and the
  // dropped byte is not among it.
  std::vector<std::uint8_t> received;
  ASSERT_TRUE(WaitFor([&] {
    auto more = pty_.PeerDrain(20);
    received.insert(received.end(), more.begin(), more.end());
    return received.size() >= queued.size() && received.back() == queued.back();
  }));
  std::vector<std::uint8_t> ours;
  for (auto b : received) {
    if (b != 0xAA) ours.push_back(b);
  }
  std::vector<std::uint8_t> expected;
  for (auto b : queued) {
    if (b != 0xAA) expected.push_back(b);
  }
  EXPECT_EQ(ours, expected);
}

TEST_F(PtyPortTest, CloseDiscardsQueuedOutput) {
  OpenPort();
  pty_.FillTowardsPeer(0xAA);
  for (int i = 0; i < 100; ++i) port_.WriteByte(0x55);
  port_.SetOpen(false);
  EXPECT_FALSE(port_.Open());
  const auto seen = pty_.PeerDrain();
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 0x55), 0);
}

TEST_F(PtyPortTest, SecondOpenOfSameDeviceIsRefusedAsInUse) {
  OpenPort();
  EXPECT_TRUE(ExclusiveFlag(pty_.Slave()));

  TSerlComPort other;
  other.SetComNumber(3);
  EXPECT_THROW(other.SetOpen(true), EAlreadyOpen);
  EXPECT_FALSE(other.Open());
  EXPECT_EQ(other.PortPhase(), TPortPhase::ppClosed);

  TSerlComPort byPath;
  byPath.SetDevicePath(pty_.SlavePath());
  EXPECT_THROW(byPath.SetOpen(true), EAlreadyOpen);

  // The flag must not outlive our close: it would lock out later users.
  port_.SetOpen(false);
  EXPECT_FALSE(ExclusiveFlag(pty_.Slave()));
  other.SetOpen(true);
  EXPECT_TRUE(other.Open());
}

TEST_F(PtyPortTest, MissingDeviceRaisesBadId) {
  port_.SetComNumber(7);  // masked by the ports folder
  EXPECT_THROW(port_.SetOpen(true), EBadId);
  EXPECT_FALSE(port_.Open());
  port_.SetComNumber(49);
  EXPECT_THROW(port_.SetOpen(true), EBadId);
  port_.SetDevicePath("/dev/pts/999999");
  EXPECT_THROW(port_.SetOpen(true), EBadId);
  EXPECT_EQ(port_.Dispatcher(), nullptr);
}

TEST_F(PtyPortTest, PeerClosingMidTransferEndsCleanly) {
  OpenPort();
  ASSERT_TRUE(pty_.PeerWrite(Pattern(100)));
  ASSERT_TRUE(WaitFor([&] { return port_.ByteAvailable(); }));
  pty_.CloseMaster();

  // Writing on goes on failing with a clear code, never hangs.
  bool failed = WaitFor([&] {
    try {
      port_.WriteByte(0x11);
      return false;
    } catch (const ESerlException& e) {
      EXPECT_EQ(e.SourceCode(), -sysDeviceNotConnected);
      return true;
    }
  });
  EXPECT_TRUE(failed);
  // The event thread has ended; the dispatch and output threads still run.
  EXPECT_TRUE(WaitFor([&] { return port_.Dispatcher()->RunningThreads() == 2; }));
  // Bytes received before the hang-up can still be read.
  int n = 0;
  while (port_.ByteAvailable()) {
    port_.ReadByte();
    ++n;
  }
  EXPECT_LE(n, 100);
  port_.SetOpen(false);
  EXPECT_FALSE(port_.Open());
}

TEST_F(PtyPortTest, NotifierWakesHostAndCallbackMayClose) {
  OpenPort();
  const int fd = port_.NotificationDescriptor();
  ASSERT_GE(fd, 0);
  int seen = 0;
  port_.OnTriggerAvail = [&](TSerlCustomComPort& p, int count) {
    seen = count;
    p.SetOpen(false);  // deferred until the callback returns
    EXPECT_EQ(p.PortPhase(), TPortPhase::ppClosing);
  };
  ASSERT_TRUE(pty_.PeerWrite({9, 8, 7}));
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  // The notice may come before all three bytes are in; process until closed.
  ASSERT_TRUE(WaitFor([&] {
    port_.ProcessNotifications();
    return port_.PortPhase() == TPortPhase::ppClosed;
  }));
  EXPECT_GE(seen, 1);
  EXPECT_FALSE(port_.Open());
  EXPECT_FALSE(ExclusiveFlag(pty_.Slave()));
}

TEST_F(PtyPortTest, ChangingComNumberWhileOpenMovesToTheOtherPort) {
  TPtyPair second;
  folder_.Bind(4, second);
  OpenPort();
  port_.SetComNumber(4);
  EXPECT_TRUE(port_.Open());
  EXPECT_FALSE(ExclusiveFlag(pty_.Slave()));
  EXPECT_TRUE(ExclusiveFlag(second.Slave()));
  termios t{};
  ASSERT_EQ(::tcgetattr(second.Slave(), &t), 0);
  EXPECT_EQ(::cfgetospeed(&t), B9600);
  port_.WriteByte(0x42);
  EXPECT_EQ(second.PeerRead(1), std::vector<std::uint8_t>{0x42});
}

TEST_F(PtyPortTest, WriteByteOnClosedPortOpensItWithAutoOpen) {
  port_.WriteByte(0x0F);
  EXPECT_TRUE(port_.Open());
  EXPECT_EQ(pty_.PeerRead(1), std::vector<std::uint8_t>{0x0F});

  TSerlComPort manual;
  manual.SetComNumber(4);
  manual.SetAutoOpen(false);
  EXPECT_THROW(manual.WriteByte(1), ECommNotOpen);
}

TEST_F(PtyPortTest, ProbeListsFreeAndHeldPorts) {
  TPtyPair first;
  folder_.Bind(1, first);
  OpenPort();  // COM3 is now held
  const auto ports = ListPorts();
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].number, 1);
  EXPECT_EQ(ports[0].state, TPortState::Free);
  EXPECT_EQ(ports[0].devicePath, first.SlavePath());
  EXPECT_EQ(ports[1].number, 3);
  EXPECT_EQ(ports[1].state, TPortState::InUse);
  EXPECT_FALSE(ProbePort(0));
  // The probe leaves the free port as it found it.
  EXPECT_FALSE(ExclusiveFlag(first.Slave()));
}

TEST_F(PtyPortTest, TraceOfReadAndWrittenBytesIsWrittenAtClose) {
  const auto dir = std::filesystem::temp_directory_path() / ("canalarm-trc-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "SERL.TRC";
  port_.SetTraceName(file.string());
  OpenPort();
  port_.SetOpen(false);
  EXPECT_FALSE(std::filesystem::exists(file));  // tracing off: no file

  port_.SetTracing(TTraceLogState::tlOn);
  OpenPort();
  ASSERT_TRUE(pty_.PeerWrite({0x41, 0x42}));
  EXPECT_EQ(ReadAvailable(2), (std::vector<std::uint8_t>{0x41, 0x42}));
  port_.WriteByte(0x0F);
  port_.SetOpen(false);
  EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOff);
  std::ifstream in(file);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text, "Receive: \nAB\n\nTransmit: \n[0F]\n");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace canalarm::serl

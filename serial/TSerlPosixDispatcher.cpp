// SPDX-License-Identifier: MIT
#include "serial/TSerlPosixDispatcher.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include "serial/SerlPortPaths.h"

namespace canalarm::serl {

namespace {

struct SpeedEntry {
  std::uint32_t baud;
  speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},
    {150, B150},       {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedCode(std::uint32_t baud, speed_t& code) {
  for (const auto& e : kSpeeds) {
    if (e.baud == baud) {
      code = e.code;
      return true;
    }
  }
  return false;
}

std::uint32_t SpeedBaud(speed_t code) {
  for (const auto& e : kSpeeds) {
    if (e.code == code) return e.baud;
  }
  return 0;
}

tcflag_t SizeFlag(std::uint8_t bits) {
  switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
  }
}

std::uint8_t SizeBits(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

}  // namespace

int PosixErrorToSystem(int err, bool atOpen) noexcept {
  switch (err) {
    case ENOENT: return sysFileNotFound;
    case ENOTDIR: case ENAMETOOLONG: case ELOOP: return sysPathNotFound;
    case EBUSY: case EWOULDBLOCK: return sysAccessDenied;
    case EACCES: case EPERM: case EROFS: return sysPermissionDenied;
    case EINVAL: case ENOTTY: return sysInvalidParameter;
    case EMFILE: case ENFILE: return 4;
    case ENOMEM: return 8;
    case ECANCELED: return sysOperationAborted;
    // A node without hardware behind it (a ttyS of a missing UART gives EIO):
    // at open that is a port that does not exist; later, a device that left.
    case ENXIO: case ENODEV: case EIO:
      return atOpen ? sysFileNotFound : sysDeviceNotConnected;
    default: return sysGenFailure;
  }
}

TSerlPosixDispatcher::~TSerlPosixDispatcher() {
  Destroy();
  if (fd_ >= 0) DevClose();
}

int TSerlPosixDispatcher::Fail(int err) {
  int code = PosixErrorToSystem(err);
  if (code == sysDeviceNotConnected) MarkLost();
  return -code;
}

int TSerlPosixDispatcher::DevOpen(std::string_view path) {
  if (fd_ >= 0) return -sysAccessDenied;
  devicePath_ = ResolveDevicePath(path);
  if (devicePath_.empty()) return -sysFileNotFound;
  int fd = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -PosixErrorToSystem(errno, true);
  auto reject = [fd](int code) {
    ::close(fd);
    return -code;
  };
  if (!::isatty(fd)) return reject(sysInvalidParameter);
  // Two locks, because each misses cases the other catches: TIOCEXCL makes the
  // kernel refuse further opens of the terminal (EBUSY) to other programs, but
  // root passes it; flock is advisory, but a second instance of ours takes it
  // even as root, and so do other tools that lock the device this way.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return reject(PosixErrorToSystem(errno, true));
  if (::ioctl(fd, TIOCEXCL) != 0) return reject(PosixErrorToSystem(errno, true));
  int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake < 0) {
    ::ioctl(fd, TIOCNXCL);
    return reject(8);
  }
  fd_ = fd;
  wakeFd_ = wake;
  lost_ = 0;
  eventMask_ = 0;
  SetLowLatency();
  return 0;
}

void TSerlPosixDispatcher::SetLowLatency() noexcept {
  // A USB adapter otherwise holds received bytes for its latency timer
  // (often 16 ms), which would dominate every one-byte acknowledgement.
  lowLatencySet_ = false;
  serial_struct ss{};
  if (::ioctl(fd_, TIOCGSERIAL, &ss) != 0) return;  // no such thing on a pty
  if ((ss.flags & ASYNC_LOW_LATENCY) != 0) return;
  ss.flags |= ASYNC_LOW_LATENCY;
  lowLatencySet_ = ::ioctl(fd_, TIOCSSERIAL, &ss) == 0;
}

void TSerlPosixDispatcher::RestoreLatency() noexcept {
  // The setting belongs to the device, not to our descriptor: left on, it
  // would outlive us and change the adapter for every later program.
  if (!lowLatencySet_ || lost_ != 0) return;
  lowLatencySet_ = false;
  serial_struct ss{};
  if (::ioctl(fd_, TIOCGSERIAL, &ss) != 0) return;
  ss.flags &= ~ASYNC_LOW_LATENCY;
  ::ioctl(fd_, TIOCSSERIAL, &ss);
}

int TSerlPosixDispatcher::DevClose() {
  if (fd_ < 0) return -1;
  // The exclusive flag belongs to the terminal, not to our descriptor: on a
  // pseudo-terminal it outlives the close and would lock every later non-root
  // user out, so it is cleared first.
  RestoreLatency();
  ::ioctl(fd_, TIOCNXCL);
  int r = ::close(fd_);
  fd_ = -1;
  if (wakeFd_ >= 0) ::close(wakeFd_);
  wakeFd_ = -1;
  return r == 0 ? 0 : -1;
}

int TSerlPosixDispatcher::DevSetQueueSizes(int, int) {
  // The terminal driver's queues have fixed sizes; the request is accepted.
  return fd_ >= 0 ? 0 : -sysInvalidHandle;
}

int TSerlPosixDispatcher::DevGetState(TSerlLineState& state) {
  if (lost_ != 0) return -1;
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) {
    Fail(errno);
    return -1;
  }
  state.BaudRate = SpeedBaud(::cfgetospeed(&t));
  state.ByteSize = SizeBits(t.c_cflag);
  if ((t.c_cflag & PARENB) == 0) {
    state.Parity = static_cast<std::uint8_t>(TParity::pNone);
  } else if ((t.c_cflag & CMSPAR) != 0) {
    state.Parity = static_cast<std::uint8_t>((t.c_cflag & PARODD) ? TParity::pMark : TParity::pSpace);
  } else {
    state.Parity = static_cast<std::uint8_t>((t.c_cflag & PARODD) ? TParity::pOdd : TParity::pEven);
  }
  state.StopBits = (t.c_cflag & CSTOPB) == 0 ? kOneStopBit
                                             : (state.ByteSize == 5 ? kOne5StopBits : kTwoStopBits);
  state.Binary = true;
  const bool crtscts = (t.c_cflag & CRTSCTS) != 0;
  state.OutxCtsFlow = crtscts;
  state.OutxDsrFlow = false;
  state.DtrControl = dtrControl_;
  state.RtsControl = crtscts ? TLineControl::Handshake
                             : (rtsControl_ == TLineControl::Handshake ? TLineControl::Enable : rtsControl_);
  state.OutX = (t.c_iflag & IXON) != 0;
  state.InX = (t.c_iflag & IXOFF) != 0;
  state.XonChar = static_cast<char>(t.c_cc[VSTART]);
  state.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
  state.XonLim = xonLim_;
  state.XoffLim = xoffLim_;
  return 0;
}

int TSerlPosixDispatcher::DevSetState(const TSerlLineState& state) {
  if (lost_ != 0) return lost_;
  speed_t code;
  if (!SpeedCode(state.BaudRate, code)) return -sysInvalidParameter;
  if (state.ByteSize < 5 || state.ByteSize > 8 || state.Parity > 4) return -sysInvalidParameter;
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return Fail(errno);
  // Raw 8-bit line: no echo, no line editing, no translation of CR or NL,
  // no signals from control characters; the receiver on, modem lines local.
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= SizeFlag(state.ByteSize);
  switch (static_cast<TParity>(state.Parity)) {
    case TParity::pNone: break;
    case TParity::pOdd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::pEven: t.c_cflag |= PARENB; break;
    case TParity::pMark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case TParity::pSpace: t.c_cflag |= PARENB | CMSPAR; break;
  }
  if (state.StopBits != kOneStopBit) t.c_cflag |= CSTOPB;
  if (state.OutxCtsFlow || state.RtsControl == TLineControl::Handshake) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (state.OutX) t.c_iflag |= IXON;
  if (state.InX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(state.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(state.XoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, code);
  ::cfsetospeed(&t, code);
  if (::tcsetattr(fd_, TCSANOW, &t) != 0) return Fail(errno);

  // tcsetattr succeeds when any part was applied: read back what the driver
  // took, and refuse a line that is not what was asked for.
  termios back{};
  if (::tcgetattr(fd_, &back) != 0) return Fail(errno);
  const tcflag_t lineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
  if (::cfgetospeed(&back) != code || (back.c_cflag & lineBits) != (t.c_cflag & lineBits)) {
    return -sysInvalidParameter;
  }
  dtrControl_ = state.DtrControl;
  rtsControl_ = state.RtsControl;
  xonLim_ = state.XonLim;
  xoffLim_ = state.XoffLim;
  return 0;
}

int TSerlPosixDispatcher::DevEscape(int function) {
  // The result is not an error: a pseudo-terminal has no modem lines, and a
  // device without them still carries data.
  if (lost_ != 0 || fd_ < 0) return 0;
  int bits = (function == escSetRTS || function == escClrRTS) ? TIOCM_RTS : TIOCM_DTR;
  const bool set = function == escSetRTS || function == escSetDTR;
  ::ioctl(fd_, set ? TIOCMBIS : TIOCMBIC, &bits);
  return 0;
}

int TSerlPosixDispatcher::DevPurge(unsigned flags) {
  if (lost_ != 0) return lost_;
  // Pending reads and writes need no abort here: reads never wait, and the
  // output thread's write is ended by the dispatcher's output-abort event.
  const bool rx = (flags & purgeRxClear) != 0;
  const bool tx = (flags & purgeTxClear) != 0;
  if (!rx && !tx) return 0;
  if (::tcflush(fd_, rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH)) != 0) return Fail(errno);
  return 0;
}

int TSerlPosixDispatcher::DevClearError(std::uint32_t& errors, TSerlQueueStatus& status) {
  errors = 0;
  if (lost_ != 0) return lost_;
  int in = 0;
  int out = 0;
  if (::ioctl(fd_, FIONREAD, &in) != 0) return Fail(errno);
  if (::ioctl(fd_, TIOCOUTQ, &out) != 0) out = 0;
  status.InQue = static_cast<std::uint32_t>(in > 0 ? in : 0);
  status.OutQue = static_cast<std::uint32_t>(out > 0 ? out : 0);
  return 0;
}

int TSerlPosixDispatcher::DevModemStatus(std::uint32_t& status) {
  status = 0;
  if (lost_ != 0) return lost_;
  int bits = 0;
  if (::ioctl(fd_, TIOCMGET, &bits) != 0) return 0;  // no modem lines: all low
  if (bits & TIOCM_CTS) status |= msCts;
  if (bits & TIOCM_DSR) status |= msDsr;
  if (bits & TIOCM_RNG) status |= msRing;
  if (bits & TIOCM_CAR) status |= msRlsd;
  return 0;
}

int TSerlPosixDispatcher::DevSetEventMask(std::uint32_t mask) {
  eventMask_ = mask;
  if (wakeFd_ < 0) return 0;
  std::uint64_t value = 1;
  if (mask == 0) {
    [[maybe_unused]] auto n = ::write(wakeFd_, &value, sizeof value);
  } else {
    [[maybe_unused]] auto n = ::read(wakeFd_, &value, sizeof value);
  }
  return 0;
}

int TSerlPosixDispatcher::DevSetTimeouts() {
  // Reads never wait: the descriptor is non-blocking and VMIN = VTIME = 0.
  return 0;
}

int TSerlPosixDispatcher::DevWaitEvent(std::uint32_t& events) {
  events = 0;
  for (;;) {
    if (eventMask_ == 0) return 0;
    if (lost_ != 0) return lost_;
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) return Fail(errno);
    // Bytes in the driver are an event unless the input ring is full: then
    // they stay there until the reader makes room, and reporting them again
    // and again would only spin.
    const bool stuck = waiting > 0 && InputRingFull();
    if (waiting > 0 && !stuck) {
      events = evRxChar;
      return 0;
    }
    pollfd p[2] = {{fd_, static_cast<short>(stuck ? 0 : POLLIN), 0}, {wakeFd_, POLLIN, 0}};
    // While the ring is full, look again now and then for room.
    int r = ::poll(p, 2, stuck ? 20 : -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if ((p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      MarkLost();
      return lost_;
    }
    if ((p[1].revents & POLLIN) != 0 && eventMask_ != 0) {
      // A stale wake-up from an earlier mask of 0.
      std::uint64_t value = 0;
      [[maybe_unused]] auto n = ::read(wakeFd_, &value, sizeof value);
    }
  }
}

int TSerlPosixDispatcher::DevRead(std::uint8_t* buffer, int n) {
  if (lost_ != 0) return lost_;
  for (;;) {
    ssize_t r = ::read(fd_, buffer, static_cast<std::size_t>(n));
    if (r >= 0) return static_cast<int>(r);
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return Fail(errno);
  }
}

int TSerlPosixDispatcher::DevWrite(const std::uint8_t* data, int n, TSerlEvent& abort) {
  int done = 0;
  while (done < n) {
    if (lost_ != 0) return lost_;
    ssize_t r = ::write(fd_, data + done, static_cast<std::size_t>(n - done));
    if (r > 0) {
      done += static_cast<int>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN) return Fail(errno);
    pollfd p[2] = {{fd_, POLLOUT, 0}, {static_cast<int>(abort.NativeHandle()), POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if ((p[1].revents & POLLIN) != 0 && abort.TryConsume()) return -sysOperationAborted;
    if ((p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      MarkLost();
      return lost_;
    }
  }
  return done;
}

}  // namespace canalarm::serl

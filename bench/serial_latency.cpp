// SPDX-License-Identifier: MIT
// Latency of the serial port layer on a pseudo-terminal:
//   receive: a byte written by the peer until ByteAvailable() is true
//            (polling, and sleeping on the notification descriptor);
//   send:    WriteByte() until the byte can be read at the peer.
// Prints median and 99th percentile in microseconds. Opens nothing but a
// pseudo-terminal it creates itself.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "serial/TSerlComPort.h"

namespace {

using Clock = std::chrono::steady_clock;
using canalarm::serl::TSerlComPort;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void Report(const char* name, std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const double median = v[v.size() / 2];
  const double p99 = v[std::min(v.size() - 1, v.size() * 99 / 100)];
  std::printf("%-40s n=%zu  median %8.1f us  p99 %8.1f us  max %8.1f us\n", name, v.size(), median,
              p99, v.back());
}

bool WaitPeerByte(int master, std::uint8_t& b) {
  pollfd p{master, POLLIN, 0};
  if (::poll(&p, 1, 5000) != 1) return false;
  return ::read(master, &b, 1) == 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
  termios raw{};
  ::cfmakeraw(&raw);
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  if (std::string(name).rfind("/dev/pts/", 0) != 0) {
    std::fprintf(stderr, "refusing: %s is not a pseudo-terminal\n", name);
    return 1;
  }
  ::close(slave);

  TSerlComPort port;
  port.SetDevicePath(name);
  port.SetBaud(38400);
  port.SetOpen(true);
  std::printf("pseudo-terminal %s, %d rounds\n", name, rounds);

  std::vector<double> recvPoll, recvNotify, send;
  for (int i = 0; i < rounds; ++i) {
    const std::uint8_t out = static_cast<std::uint8_t>(i);
    auto t0 = Clock::now();
    if (::write(master, &out, 1) != 1) return 1;
    while (!port.ByteAvailable()) std::this_thread::yield();
    recvPoll.push_back(Micros(Clock::now() - t0));
    if (port.ReadByte() != out) return 2;

    port.ProcessNotifications();  // take notices of earlier rounds
    t0 = Clock::now();
    if (::write(master, &out, 1) != 1) return 1;
    pollfd p{port.NotificationDescriptor(), POLLIN, 0};
    while (!port.ByteAvailable()) ::poll(&p, 1, 100);
    recvNotify.push_back(Micros(Clock::now() - t0));
    port.ProcessNotifications();
    if (port.ReadByte() != out) return 2;

    std::uint8_t in = 0;
    t0 = Clock::now();
    port.WriteByte(out);
    if (!WaitPeerByte(master, in) || in != out) return 3;
    send.push_back(Micros(Clock::now() - t0));
  }
  Report("peer write -> ByteAvailable (polling)", recvPoll);
  Report("peer write -> ByteAvailable (notifier)", recvNotify);
  Report("WriteByte -> byte at peer", send);
  port.SetOpen(false);
  ::close(master);
  return 0;
}

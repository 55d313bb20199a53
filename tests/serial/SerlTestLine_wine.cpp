// SPDX-License-Identifier: MIT
// Test lines on Windows under Wine: COMn is a pseudo-terminal of the test
// runner's, mapped in the Wine prefix and checked by the runner before this
// program started; the peer operations go to the runner over a local socket.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "SerlTestLine.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::serl::test {

namespace {

const char* PeerAddress() { return std::getenv("CANALARM_WINE_PEER"); }

[[noreturn]] void Refuse(const char* why) {
  std::fprintf(stderr, "REFUSING TO RUN: %s\n", why);
  std::fflush(stderr);
  std::abort();
}

// One request and its answer: op, COM number, two arguments and a payload
// out; a status and a payload back. Little-endian 32-bit fields.
class PeerConnection {
 public:
  PeerConnection() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) Refuse("no Winsock");
    const std::string address = PeerAddress();
    const auto colon = address.rfind(':');
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(std::atoi(address.c_str() + colon + 1)));
    ::inet_pton(AF_INET, address.substr(0, colon).c_str(), &to.sin_addr);
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET || ::connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      Refuse("the test runner's serial peer does not answer");
    }
  }
  ~PeerConnection() {
    ::closesocket(socket_);
    ::WSACleanup();
  }

  std::int32_t Call(char op, int com, std::int32_t a = 0, std::int32_t b = 0,
                    const std::vector<std::uint8_t>& payload = {},
                    std::vector<std::uint8_t>* reply = nullptr) {
    std::vector<std::uint8_t> request{static_cast<std::uint8_t>(op), static_cast<std::uint8_t>(com)};
    PutInt(request, a);
    PutInt(request, b);
    PutInt(request, static_cast<std::int32_t>(payload.size()));
    request.insert(request.end(), payload.begin(), payload.end());
    SendAll(request);
    const std::int32_t status = GetInt();
    const std::int32_t length = GetInt();
    std::vector<std::uint8_t> body(static_cast<std::size_t>(length));
    ReceiveAll(body.data(), body.size());
    if (reply != nullptr) *reply = std::move(body);
    return status;
  }

 private:
  static void PutInt(std::vector<std::uint8_t>& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
  }
  std::int32_t GetInt() {
    std::uint8_t b[4];
    ReceiveAll(b, 4);
    return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
  }
  void SendAll(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      int r = ::send(socket_, reinterpret_cast<const char*>(bytes.data() + done),
                     static_cast<int>(bytes.size() - done), 0);
      if (r <= 0) Refuse("lost the test runner's serial peer");
      done += static_cast<std::size_t>(r);
    }
  }
  void ReceiveAll(std::uint8_t* into, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      int r = ::recv(socket_, reinterpret_cast<char*>(into + done), static_cast<int>(n - done), 0);
      if (r <= 0) Refuse("lost the test runner's serial peer");
      done += static_cast<std::size_t>(r);
    }
  }
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct TTestPorts::State {
  std::unique_ptr<PeerConnection> peer;
};

TTestPorts::TTestPorts() : state_(std::make_unique<State>()) {
  if (PeerAddress() != nullptr) {
    state_->peer = std::make_unique<PeerConnection>();
  } else if (RunningUnderWine()) {
    // Wine gives COM numbers to the machine's serial devices by itself; only
    // the runner's prefix is known to map them to pseudo-terminals.
    Refuse("serial tests under Wine need the runner (tests/wine) and its checked port mapping");
  }
}

TTestPorts::~TTestPorts() = default;

bool TTestPorts::Available() { return PeerAddress() != nullptr; }

void TTestPorts::Mask(int n) {
  // The runner maps no other port than its lines; make sure n is not one.
  if (state_->peer->Call('M', n) != 0) Refuse("a port the test needs absent is mapped");
}

struct TTestLine::State {
  PeerConnection peer;
};

TTestLine::TTestLine(TTestPorts&, int comNumber) : state_(std::make_unique<State>()), comNumber_(comNumber) {
  if (state_->peer.Call('A', comNumber) != 0) Refuse("the runner has no line for this port");
}

TTestLine::~TTestLine() = default;

std::string TTestLine::DevicePath() const { return ComPortPath(comNumber_); }

bool TTestLine::PeerWrite(const std::vector<std::uint8_t>& bytes, int timeoutMs) {
  return state_->peer.Call('W', comNumber_, timeoutMs, 0, bytes) == 1;
}

std::vector<std::uint8_t> TTestLine::PeerRead(std::size_t n, int timeoutMs) {
  std::vector<std::uint8_t> got;
  state_->peer.Call('R', comNumber_, static_cast<std::int32_t>(n), timeoutMs, {}, &got);
  return got;
}

std::vector<std::uint8_t> TTestLine::PeerDrain(int quietMs) {
  std::vector<std::uint8_t> got;
  state_->peer.Call('D', comNumber_, quietMs, 0, {}, &got);
  return got;
}

void TTestLine::Vanish() { state_->peer.Call('V', comNumber_); }

int TTestLine::DriverInputQueued() { return state_->peer.Call('Q', comNumber_); }

std::size_t TTestLine::FillTowardsPeer(std::uint8_t filler) {
  return static_cast<std::size_t>(state_->peer.Call('F', comNumber_, filler));
}

bool TTestLine::ExclusiveFlag() { return state_->peer.Call('X', comNumber_) != 0; }

TLineSettings TTestLine::Settings() {
  std::vector<std::uint8_t> body;
  state_->peer.Call('S', comNumber_, 0, 0, {}, &body);
  auto field = [&](int i) {
    return static_cast<std::uint32_t>(body[4 * i] | body[4 * i + 1] << 8 | body[4 * i + 2] << 16 |
                                      static_cast<std::uint32_t>(body[4 * i + 3]) << 24);
  };
  TLineSettings s;
  if (body.size() < 24) return s;
  s.baud = field(0);
  s.dataBits = static_cast<int>(field(1));
  s.parity = field(2) != 0;
  s.twoStopBits = field(3) != 0;
  s.hardwareFlow = field(4) != 0;
  s.raw = field(5) != 0;
  return s;
}

}  // namespace canalarm::serl::test

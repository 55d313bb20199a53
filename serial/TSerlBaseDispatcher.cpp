// SPDX-License-Identifier: MIT
#include "serial/TSerlBaseDispatcher.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "serial/SerlErrors.h"
#include "serial/TComThread.h"
#include "serial/TDispThread.h"
#include "serial/TOutThread.h"
#include "serial/TSerlNotifier.h"
#include "serial/TSerlPortRegistry.h"

namespace canalarm::serl {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// The dispatch thread gets 36 ticks of 55 ms to end after a stop request.
constexpr int kStopTicks = 36;
constexpr int kStopTickMs = 55;

bool WaitUntilEnded(const TSerlDispatcherThread& thread, int ms) {
  for (int waited = 0; thread.Running() && waited < ms; waited += 5) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return !thread.Running();
}

}  // namespace

TSerlBaseDispatcher::TSerlBaseDispatcher(TSerlCustomComPort* owner)
    : owner_(owner), handle_(TSerlPortRegistry::Enter(this)) {}

TSerlBaseDispatcher::~TSerlBaseDispatcher() { TSerlPortRegistry::Leave(handle_); }

void TSerlBaseDispatcher::Destroy() noexcept {
  inCallback_ = false;
  if (deviceOpen_ || threadsStarted_) ShutDown();
  if (closePending_) FinishDeferredClose();
  CloseSignals();
}

int TSerlBaseDispatcher::StateReadFailure() const {
  const int lost = DevLostCode();
  return lost < 0 ? lost : -sysGenFailure;
}

void TSerlBaseDispatcher::SleepMs(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t TSerlBaseDispatcher::ElapsedMs() const {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - startTime_)
                                        .count());
}

void TSerlBaseDispatcher::LogEvent(TLogEvent event, std::int32_t detail,
                                   std::span<const std::uint8_t> bytes) {
  Lock line(lineLock_);
  if (log_.Recording()) log_.Add(ElapsedMs(), event, detail, bytes);
}

void TSerlBaseDispatcher::CreateSignals() {
  using K = TSerlEvent::Kind;
  deviceEvent_ = std::make_unique<TSerlEvent>(K::AutoReset);
  ready_ = std::make_unique<TSerlEvent>(K::AutoReset);
  started_ = std::make_unique<TSerlEvent>(K::AutoReset);
  output_ = std::make_unique<TSerlEvent>(K::AutoReset);
  writeDone_ = std::make_unique<TSerlEvent>(K::ManualReset);
  outputAbort_ = std::make_unique<TSerlEvent>(K::AutoReset);
}

void TSerlBaseDispatcher::CloseSignals() {
  deviceEvent_.reset();
  ready_.reset();
  started_.reset();
  output_.reset();
  writeDone_.reset();
  outputAbort_.reset();
}

// ---------------------------------------------------------------- open

int TSerlBaseDispatcher::Open(std::string_view path, int baud, std::uint8_t lineFlags, int outSize,
                              int inSize, int stopBits, int dataBits, int parity) {
  ringSeen_ = false;
  inCallback_ = false;
  closePending_ = false;
  try {
    CreateSignals();
  } catch (const std::exception&) {
    CloseSignals();
    return -8;
  }

  int r = DevOpen(path);
  if (r < 0) {
    CloseSignals();
    return r;
  }
  deviceOpen_ = true;

  auto fail = [this](int code) {
    ShutDown();
    CloseSignals();
    return code;
  };

  r = DevSetQueueSizes(inSize, outSize);
  if (r < 0) return fail(r);

  {
    Lock in(inputLock_);
    Lock out(outputLock_);
    try {
      inRing_.Allocate(kInputRingSize);
      outRing_.Allocate(std::max(outSize, 1));
    } catch (const std::bad_alloc&) {
      return fail(-8);
    }
  }
  inSize_ = inSize;
  outSize_ = outRing_.Size();
  errorWord_ = 0;
  rs485Mode_ = false;

  {
    Lock line(lineLock_);
    DevGetState(lineState_);
    dtrHandshake_ = (lineFlags & lfDTRHandshake) != 0;
    rtsHandshake_ = (lineFlags & lfRTSHandshake) != 0;
  }
  if (!dtrHandshake_) SetDTR((lineFlags & lfDTR) != 0);
  if (!rtsHandshake_) SetRTS((lineFlags & lfRTS) != 0);

  inputThreshold_ = 0;
  nextTrigger_ = 1;
  RefreshModemStatus();
  {
    Lock line(lineLock_);
    lastSpeed_ = 115200;
  }

  r = SetLine(baud, parity, dataBits, stopBits);
  if (r < 0) return fail(r);

  RefreshLineErrors();
  {
    Lock line(lineLock_);
    trace_.Apply(TTraceLogState::tlOff, {});
    log_.Apply(TTraceLogState::tlOff, {});
    startTime_ = std::chrono::steady_clock::now();
  }
  r = StartThreads();
  if (r < 0) return fail(r);
  return 0;
}

// ---------------------------------------------------------------- shut down

int TSerlBaseDispatcher::ShutDown() {
  DiscardOutput();
  DiscardInput();
  if (inCallback_) {
    // The threads are asked to stop now; joining them and closing the device
    // wait until the callback has returned (FinishDeferredClose).
    closePending_ = true;
    if (threadsStarted_) {
      stop_ = true;
      DevSetEventMask(0);
      if (ready_) ready_->Set();
      if (outputAbort_) outputAbort_->Set();
    }
    return 0;
  }
  int r = CloseDevice();
  TearDown();
  return r;
}

int TSerlBaseDispatcher::FinishDeferredClose() {
  if (!closePending_) return 0;
  int r = CloseDevice();
  TearDown();
  closePending_ = false;
  return r;
}

int TSerlBaseDispatcher::CloseDevice() {
  // The threads use the descriptor until they have ended, so they are stopped
  // before it is closed: a closed descriptor number can be reused at once by
  // another open, and a thread still polling it would then read a stranger's
  // data.
  StopThreads();
  if (!deviceOpen_) return 0;
  deviceOpen_ = false;
  return DevClose();
}

void TSerlBaseDispatcher::TearDown() {
  // Never under the line lock: the dispatch thread takes it for the modem
  // status, and stopping waits for that thread.
  StopThreads();
  Lock in(inputLock_);
  Lock out(outputLock_);
  if (outRing_.Allocated()) outRing_.Free();
  if (inRing_.Allocated()) inRing_.Free();
}

// ---------------------------------------------------------------- threads

int TSerlBaseDispatcher::StartThreads() {
  if (threadsStarted_) throw std::logic_error("Dispatcher already started");
  threadsStarted_ = true;
  stop_ = false;
  try {
    comThread_ = std::make_unique<TComThread>(*this);
    comThread_->Start();
    started_->Wait(3000);
    dispThread_ = std::make_unique<TDispThread>(*this);
    dispThread_->Start();
    started_->Wait(3000);
    outThread_ = std::make_unique<TOutThread>(*this);
    outThread_->Start();
    started_->Wait(3000);
  } catch (const std::system_error&) {
    return -8;
  }
  return 0;
}

void TSerlBaseDispatcher::StopThreads() {
  if (!threadsStarted_) return;
  stop_ = true;
  if (outThread_) {
    if (outThread_->Running()) outputAbort_->Set();
    outThread_->Join();
    outThread_.reset();
  }
  if (comThread_) {
    if (comThread_->Running()) {
      DevSetEventMask(0);
      ready_->Set();
      started_->Reset();
    }
    comThread_->Join();
    comThread_.reset();
  }
  if (dispThread_) {
    if (!WaitUntilEnded(*dispThread_, kStopTicks * kStopTickMs)) {
      deviceEvent_->Set();
      WaitUntilEnded(*dispThread_, kStopTicks * kStopTickMs);
    }
    dispThread_->Join();
    dispThread_.reset();
  }
  threadsStarted_ = false;
  CloseSignals();
}

// ---------------------------------------------------------------- line

int TSerlBaseDispatcher::SetLine(int baud, int parity, int dataBits, int stopBits) {
  std::uint32_t speed;
  std::uint8_t newParity;
  std::uint8_t byteSize;
  std::uint8_t stopCode;
  {
    Lock line(lineLock_);
    if (DevGetState(lineState_) < 0) return StateReadFailure();
    const auto& cur = lineState_;
    speed = baud == 0 ? cur.BaudRate : static_cast<std::uint32_t>(baud);
    newParity = parity == 5 ? cur.Parity : static_cast<std::uint8_t>(parity);
    byteSize = dataBits == 9 ? cur.ByteSize : static_cast<std::uint8_t>(dataBits);
    if (stopBits == 3) {
      stopCode = cur.StopBits;
    } else {
      stopBits = std::clamp(stopBits, 1, 2);
      stopCode = stopBits == 1 ? kOneStopBit : (byteSize == 5 ? kOne5StopBits : kTwoStopBits);
    }
    if (speed == cur.BaudRate && newParity == cur.Parity && byteSize == cur.ByteSize &&
        stopCode == cur.StopBits) {
      return 0;
    }
  }

  for (int polls = 0; OutputCount() > 0 && polls < kDrainPolls; ++polls) SleepMs(kDrainPollMs);

  unsigned waitMs;
  {
    Lock line(lineLock_);
    DevGetState(lineState_);
    // 18 character times at the old settings, in 100 ns units.
    const std::uint32_t bitTime = 10000000u / std::max<std::uint32_t>(lastSpeed_, 1);
    std::uint32_t charBits = lineState_.ByteSize + 2u;
    if (lineState_.Parity != 0) ++charBits;
    if (lineState_.StopBits != kOneStopBit) ++charBits;
    std::uint32_t wait = bitTime * charBits * 18u;
    if (wait < 10000) wait *= 2;
    waitMs = wait / 10000 + (wait % 10000 != 0 ? 1 : 0);
  }
  SleepMs(waitMs);

  Lock line(lineLock_);
  DevGetState(lineState_);
  lineState_.BaudRate = speed;
  lineState_.Parity = newParity;
  lineState_.ByteSize = byteSize;
  lineState_.StopBits = stopCode;
  int r = WriteLineStateLocked(lineState_);
  LogEvent(TLogEvent::SetLine, r < 0 ? r : static_cast<std::int32_t>(speed));
  return r;
}

int TSerlBaseDispatcher::WriteLineStateLocked(TSerlLineState& state) {
  Lock line(lineLock_);
  if (!dtrHandshake_) state.DtrControl = dtrState_ ? TLineControl::Enable : TLineControl::Disable;
  if (!rtsHandshake_) state.RtsControl = rtsState_ ? TLineControl::Enable : TLineControl::Disable;
  int r = DevSetState(state);
  if (r == 0) {
    lineState_ = state;
    lastSpeed_ = state.BaudRate;
  }
  SetDTR(dtrState_);
  if (!rs485Mode_) SetRTS(rtsState_);
  return r;
}

int TSerlBaseDispatcher::SetDTR(bool on) {
  Lock line(lineLock_);
  if (dtrHandshake_) return 1;
  if (DevEscape(on ? escSetDTR : escClrDTR) < 0) return ecBadArgument;
  dtrState_ = on;
  return 0;
}

int TSerlBaseDispatcher::SetRTS(bool on) {
  Lock line(lineLock_);
  if (rtsHandshake_) return 1;
  if (DevEscape(on ? escSetRTS : escClrRTS) < 0) return ecBadArgument;
  rtsState_ = on;
  return 0;
}

int TSerlBaseDispatcher::SetHWFlow(int fullThreshold, int resumeThreshold, THWFlowOptions options) {
  if (fullThreshold < resumeThreshold || fullThreshold > inSize_) return ecBadArgument;
  Lock line(lineLock_);
  TSerlLineState s;
  if (DevGetState(s) < 0) return StateReadFailure();
  s.OutxCtsFlow = (options & hwfRequireCTS) != 0;
  s.OutxDsrFlow = (options & hwfRequireDSR) != 0;
  dtrHandshake_ = (options & hwfUseDTR) != 0;
  rtsHandshake_ = (options & hwfUseRTS) != 0;
  s.DtrControl = dtrHandshake_ ? TLineControl::Handshake
                               : (dtrState_ ? TLineControl::Enable : TLineControl::Disable);
  s.RtsControl = rtsHandshake_ ? TLineControl::Handshake
                               : (rtsState_ ? TLineControl::Enable : TLineControl::Disable);
  s.XoffLim = static_cast<std::uint16_t>(inSize_ - fullThreshold);
  s.XonLim = static_cast<std::uint16_t>(resumeThreshold);
  return WriteLineStateLocked(s);
}

int TSerlBaseDispatcher::SetSWFlow(int fullThreshold, int resumeThreshold, TSWFlowOptions options) {
  Lock line(lineLock_);
  TSerlLineState s;
  if (DevGetState(s) < 0) return StateReadFailure();
  if (options == TSWFlowOptions::swfNone) {
    s.OutX = false;
    s.InX = false;
  } else {
    if (fullThreshold < resumeThreshold || fullThreshold > inSize_) return ecBadArgument;
    s.InX = options == TSWFlowOptions::swfReceive || options == TSWFlowOptions::swfBoth;
    s.OutX = options == TSWFlowOptions::swfTransmit || options == TSWFlowOptions::swfBoth;
    s.XoffLim = static_cast<std::uint16_t>(inSize_ - fullThreshold);
    s.XonLim = static_cast<std::uint16_t>(resumeThreshold);
  }
  return WriteLineStateLocked(s);
}

int TSerlBaseDispatcher::SetFlowChars(char xonChar, char xoffChar) {
  Lock line(lineLock_);
  TSerlLineState s;
  if (DevGetState(s) < 0) return StateReadFailure();
  s.XonChar = xonChar;
  s.XoffChar = xoffChar;
  return WriteLineStateLocked(s);
}

std::uint8_t TSerlBaseDispatcher::ModemStatus() {
  if (deviceOpen_) RefreshModemStatus();
  Lock line(lineLock_);
  return modemStatus_;
}

TSerlLineState TSerlBaseDispatcher::LineState() {
  Lock line(lineLock_);
  return lineState_;
}

// ---------------------------------------------------------------- status

std::uint32_t TSerlBaseDispatcher::ReadDeviceStatus(TSerlQueueStatus* status) {
  std::uint32_t errors = 0;
  TSerlQueueStatus st;
  if (DevClearError(errors, st) < 0) errors = 0;
  Lock out(outputLock_);
  st.OutQue = static_cast<std::uint32_t>(outRing_.Count());
  queueStatus_ = st;
  if (status != nullptr) *status = st;
  return errors;
}

void TSerlBaseDispatcher::RefreshLineErrors() { errorWord_ |= ReadDeviceStatus() & 0x1F; }

void TSerlBaseDispatcher::RefreshModemStatus() {
  std::uint32_t status = 0;
  if (DevModemStatus(status) < 0) return;
  Lock line(lineLock_);
  const auto lines = static_cast<std::uint8_t>(status & 0xF0);
  const auto changed = static_cast<std::uint8_t>(((modemStatus_ ^ lines) >> 4) & 0x0F);
  modemStatus_ = static_cast<std::uint8_t>(lines | (modemStatus_ & 0x0F) | changed);
}

// ---------------------------------------------------------------- input

int TSerlBaseDispatcher::ReadStep() {
  Lock in(inputLock_);
  auto& ring = inRing_;
  if (!ring.Allocated() || ring.full) return 0;
  TSerlQueueStatus st;
  ReadDeviceStatus(&st);
  const int waiting = static_cast<int>(std::min<std::uint32_t>(st.InQue, kInputRingSize));
  if (waiting == 0) return 0;

  int freeSpace;
  int run;
  if (ring.Empty()) {
    freeSpace = kInputRingSize;
    run = kInputRingSize - ring.writePos;
  } else if (ring.readPos < ring.writePos) {
    freeSpace = ring.readPos + kInputRingSize - ring.writePos;
    run = kInputRingSize - ring.writePos;
  } else {
    freeSpace = run = ring.readPos - ring.writePos;
  }
  const int amount = std::min(freeSpace, waiting);
  int second = run < amount ? amount - run : 0;

  int total = 0;
  auto readInto = [&](int max) {
    const int start = ring.writePos;
    int got = DevRead(ring.Data() + start, max);
    if (got < 0) {
      RecoverRead();
      got = 0;
    }
    ring.writePos += got;
    if (ring.writePos >= kInputRingSize) ring.writePos = 0;
    if (got > 0) {
      ring.full = ring.writePos == ring.readPos;
      LogEvent(TLogEvent::DeviceRead, got, {ring.Data() + start, static_cast<std::size_t>(got)});
    }
    total += got;
    return got;
  };
  if (run != 0) {
    if (readInto(run) < run) second = 0;
  }
  if (second != 0) readInto(second);
  return total;
}

bool TSerlBaseDispatcher::InputRingFull() {
  Lock in(inputLock_);
  return inRing_.full;
}

bool TSerlBaseDispatcher::ByteWaiting() {
  Lock in(inputLock_);
  return !inRing_.Empty();
}

int TSerlBaseDispatcher::InputCount() {
  Lock in(inputLock_);
  return inRing_.Count();
}

int TSerlBaseDispatcher::ReadOneByte(std::uint8_t& byte) {
  Lock in(inputLock_);
  if (!inRing_.Allocated() || inRing_.Empty()) return ecBufferIsEmpty;
  byte = inRing_.Data()[inRing_.readPos];
  inRing_.readPos = (inRing_.readPos + 1) % kInputRingSize;
  inRing_.full = false;
  Lock line(lineLock_);
  trace_.Add('R', byte);
  return 0;
}

int TSerlBaseDispatcher::DiscardInput() {
  Lock in(inputLock_);
  int r = deviceOpen_ ? DevPurge(purgeReceiveSide) : 0;
  inRing_.readPos = inRing_.writePos;
  inRing_.full = false;
  LogEvent(TLogEvent::Purge, 1);
  return r;
}

// ---------------------------------------------------------------- output

int TSerlBaseDispatcher::OutputCount() {
  Lock out(outputLock_);
  return outRing_.Count();
}

int TSerlBaseDispatcher::DeviceOutputCount() {
  if (!deviceOpen_) return 0;
  std::uint32_t errors = 0;
  TSerlQueueStatus st;
  if (DevClearError(errors, st) < 0) return 0;
  errorWord_ |= errors & 0x1F;
  return static_cast<int>(st.OutQue);
}

int TSerlBaseDispatcher::QueueBlock(std::span<const std::uint8_t> block) {
  const int n = static_cast<int>(block.size());
  if (n == 0) return 0;
  // Bytes queued for a device that has gone away would be dropped unseen.
  if (int lost = DevLostCode(); lost < 0) return lost;
  {
    Lock out(outputLock_);
    auto& ring = outRing_;
    if (!ring.Allocated()) return ecPutBlockFail;
    TSerlQueueStatus st;
    ReadDeviceStatus(&st);
    const int freeSpace = ring.Size() - static_cast<int>(st.OutQue);
    if (n > freeSpace) return ecOutputBufferTooSmall;
    // The output thread leaves its write loop only once it has found the ring
    // empty under this lock, so it needs waking only when the ring was empty:
    // bytes queued behind others go with them, without a wake-up each.
    const bool wasEmpty = ring.Empty();
    const int tail = std::min(n, ring.Size() - ring.writePos);
    std::memcpy(ring.Data() + ring.writePos, block.data(), static_cast<std::size_t>(tail));
    std::memcpy(ring.Data(), block.data() + tail, static_cast<std::size_t>(n - tail));
    ring.writePos = (ring.writePos + n) % ring.Size();
    if (n == freeSpace) ring.full = true;
    if (wasEmpty) output_->Set();
  }
  Lock line(lineLock_);
  if (log_.Recording()) log_.Add(ElapsedMs(), TLogEvent::QueueOutput, n, block);
  for (std::uint8_t b : block) trace_.Add('T', b);
  return 0;
}

void TSerlBaseDispatcher::AdvanceOutput(int count) {
  auto& ring = outRing_;
  ring.readPos += count;
  if (ring.readPos >= ring.Size()) ring.readPos -= ring.Size();
  if (ring.readPos == ring.writePos) ring.readPos = ring.writePos = 0;
  ring.full = false;
}

void TSerlBaseDispatcher::WriteLoop() {
  for (;;) {
    const std::uint8_t* block;
    int length;
    std::uint32_t generation;
    {
      Lock out(outputLock_);
      auto& ring = outRing_;
      if (!ring.Allocated() || ring.Empty()) return;
      const int size = ring.Size();
      if (ring.readPos < ring.writePos) {
        block = ring.Data() + ring.readPos;
        length = ring.writePos - ring.readPos;
      } else if (ring.writePos > 0) {
        // The queued bytes wrap: make them one run from index 0, so that one
        // device write takes them all.
        std::vector<std::uint8_t> head(ring.Data(), ring.Data() + ring.writePos);
        const int upper = size - ring.readPos;
        std::memmove(ring.Data(), ring.Data() + ring.readPos, static_cast<std::size_t>(upper));
        std::memcpy(ring.Data() + upper, head.data(), head.size());
        length = upper + ring.writePos;
        ring.readPos = 0;
        ring.writePos = length == size ? 0 : length;  // a full ring keeps its flag
        block = ring.Data();
      } else {
        block = ring.Data() + ring.readPos;
        length = size - ring.readPos;
      }
      generation = outGeneration_;
    }

    int written = DevWrite(block, length, *outputAbort_);
    if (written == -sysOperationAborted) {
      LogEvent(TLogEvent::WriteAborted, length);
      // A write the driver aborted on its own leaves the bytes queued, and a
      // ring that is not empty wakes no one: go round again, unless a
      // discard or a stop asked for the abort.
      if (!discarding_ && !stop_ && !closePending_) output_->Set();
      started_->Set();
      return;
    }
    LogEvent(TLogEvent::DeviceWrite, written, {block, static_cast<std::size_t>(written > 0 ? written : 0)});
    Lock out(outputLock_);
    // A discard emptied the ring while the bytes were on their way.
    if (generation != outGeneration_) continue;
    // A failed write drops the block, as the driver would.
    AdvanceOutput(written < 0 ? length : std::min(written, length));
  }
}

int TSerlBaseDispatcher::DiscardOutput() {
  if (outThread_ && outThread_->Running() && outputAbort_) {
    // Take the ring from the output thread: abort its write and wait until it
    // has acknowledged, so that it no longer reads the bytes being dropped.
    discarding_ = true;
    started_->Reset();
    outputAbort_->Set();
    started_->Wait(5000);
  }
  {
    Lock out(outputLock_);
    outRing_.Clear();
    ++outGeneration_;
  }
  discarding_ = false;
  LogEvent(TLogEvent::Purge, 0);
  return deviceOpen_ ? DevPurge(purgeTransmitSide) : 0;
}

// ---------------------------------------------------------------- dispatch pass

void TSerlBaseDispatcher::DispatchPass() {
  const std::uint32_t events = eventWord_.exchange(0);
  if ((events & (evCts | evDsr | evRlsd | evRing | evRingTe)) != 0) RefreshModemStatus();
  if ((events & 0xFF) >= 0x40) RefreshLineErrors();
  const int moved = ReadStep();
  if (!inCallback_) {
    // The data-available notice, once per arrival of new bytes. The modem
    // lines are not read here: on a USB adapter that is a control transfer,
    // which would hold up every notice, and one still in flight when the
    // adapter is pulled out can hold up the driver's hang-up (under QEMU
    // until the transfer times out, five seconds later).
    if (moved > 0 && InputCount() >= std::max<int>(inputThreshold_, 1)) {
      Lock line(lineLock_);
      if (notifier_ != nullptr) {
        notifier_->Post(TSerlNotifier::nmDataAvailable);
      }
    }
  }
  ready_->Set();
}

// ---------------------------------------------------------------- notifications, triggers

void TSerlBaseDispatcher::RegisterNotifier(TSerlNotifier* notifier) {
  Lock line(lineLock_);
  notifier_ = notifier;
  if (notifier_ != nullptr && DevLostCode() < 0) notifier_->Post(TSerlNotifier::nmDeviceLost);
}

void TSerlBaseDispatcher::NoticeDeviceLost() {
  if (DevLostCode() == 0) return;
  Lock line(lineLock_);
  if (notifier_ != nullptr) notifier_->Post(TSerlNotifier::nmDeviceLost);
}

void TSerlBaseDispatcher::UnregisterNotifier() {
  Lock line(lineLock_);
  notifier_ = nullptr;
}

void TSerlBaseDispatcher::SetInputThreshold(std::uint16_t threshold) { inputThreshold_ = threshold; }

void TSerlBaseDispatcher::SaveTriggers(TSerlTriggerStore& store) {
  Lock line(lineLock_);
  store.inputThreshold = inputThreshold_;
  store.nextTrigger = nextTrigger_;
}

void TSerlBaseDispatcher::RestoreTriggers(const TSerlTriggerStore& store) {
  Lock line(lineLock_);
  inputThreshold_ = store.inputThreshold;
  nextTrigger_ = store.nextTrigger;
}

// ---------------------------------------------------------------- trace and log

int TSerlBaseDispatcher::SetTracing(TTraceLogState value, const TSerlTrace::Settings& settings) {
  Lock line(lineLock_);
  return trace_.Apply(value, settings);
}

void TSerlBaseDispatcher::ResizeTrace(const TSerlTrace::Settings& settings) {
  Lock line(lineLock_);
  trace_.Resize(settings);
}

TTraceLogState TSerlBaseDispatcher::Tracing() {
  Lock line(lineLock_);
  return trace_.State();
}

std::vector<TSerlTraceEntry> TSerlBaseDispatcher::TraceEntries() {
  Lock line(lineLock_);
  return trace_.Entries();
}

int TSerlBaseDispatcher::SetLogging(TTraceLogState value, const TSerlLog::Settings& settings) {
  Lock line(lineLock_);
  return log_.Apply(value, settings);
}

void TSerlBaseDispatcher::ResizeLog(const TSerlLog::Settings& settings) {
  Lock line(lineLock_);
  log_.Resize(settings);
}

TTraceLogState TSerlBaseDispatcher::Logging() {
  Lock line(lineLock_);
  return log_.State();
}

}  // namespace canalarm::serl

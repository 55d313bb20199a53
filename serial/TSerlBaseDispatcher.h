// SPDX-License-Identifier: MIT
// The engine behind an open port: device, input and output rings, line state
// and three I/O threads (TComThread waits for device events, TDispThread moves
// received bytes into the input ring, TOutThread writes the output ring).
//
// Contract for callers (the component, on its own thread):
// - Every operation returns 0 (or a count) on success and a negative code on
//   failure: a negated system error number or one of SerlErrors.h. Nothing
//   here throws except std::bad_alloc.
// - ByteWaiting, ReadOneByte and QueueBlock are memory operations under a lock
//   and never wait for the device. SetLine may sleep while the output drains
//   (at most 5000 polls of 2 ms) plus 18 character times. DiscardOutput waits
//   up to 5 s for the output thread to let go of the ring. ShutDown and the
//   destructor wait for the threads to end.
// - A dispatcher is opened once; after ShutDown it is only destroyed.
//
// Locks (re-entrant): the input lock guards the input ring, the output lock
// the output ring and the queue status, the line lock the line state, modem
// status, notification target, trace and log. Nesting is only input -> output,
// input -> line and output -> nothing; no lock is held while waiting for a
// thread or for the device.
//
// The device itself is reached through the Dev* operations, one subclass per
// operating system (see SerlDispatcherFactory.h).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "serial/SerlTypes.h"
#include "serial/TSerlEvent.h"
#include "serial/TSerlLog.h"
#include "serial/TSerlRing.h"
#include "serial/TSerlTrace.h"

namespace canalarm::serl {

class TSerlCustomComPort;
class TSerlNotifier;
class TComThread;
class TDispThread;
class TOutThread;

// Triggers kept across a close and the next open of the component.
struct TSerlTriggerStore {
  std::uint16_t inputThreshold = 0;
  int nextTrigger = 1;
};

class TSerlBaseDispatcher {
 public:
  static constexpr int kInputRingSize = 8192;
  static constexpr unsigned kDrainPollMs = 2;
  static constexpr int kDrainPolls = 5000;
  static constexpr int kDispatchPassMs = 50;

  explicit TSerlBaseDispatcher(TSerlCustomComPort* owner);
  virtual ~TSerlBaseDispatcher();
  TSerlBaseDispatcher(const TSerlBaseDispatcher&) = delete;
  TSerlBaseDispatcher& operator=(const TSerlBaseDispatcher&) = delete;

  // Opens the device at path ("\\.\COMn" or a device path) and starts the
  // threads. lineFlags: lfDTR, lfRTS, lfDTRHandshake, lfRTSHandshake. On
  // failure the device is closed again and the code returned.
  int Open(std::string_view path, int baud, std::uint8_t lineFlags, int outSize, int inSize,
           int stopBits, int dataBits, int parity);
  // Discards output and input, stops the threads, closes the device, frees
  // the rings. Inside a notification callback only the discards and the stop
  // request happen; the rest waits for FinishDeferredClose. Returns 0 or the
  // device close's failure.
  int ShutDown();
  // Completes a shut down that was deferred by a notification callback.
  int FinishDeferredClose();

  // Speed 0, parity 5, data bits 9 and stop bits 3 keep the current value.
  int SetLine(int baud, int parity, int dataBits, int stopBits);
  // 0 done, 1 the line is under automatic handshake (nothing done), -1002.
  int SetDTR(bool on);
  int SetRTS(bool on);
  int SetHWFlow(int fullThreshold, int resumeThreshold, THWFlowOptions options);
  int SetSWFlow(int fullThreshold, int resumeThreshold, TSWFlowOptions options);
  int SetFlowChars(char xonChar, char xoffChar);

  int DiscardInput();
  int DiscardOutput();
  bool ByteWaiting();
  // 0 and the byte, or ecBufferIsEmpty.
  int ReadOneByte(std::uint8_t& byte);
  // 0, ecOutputBufferTooSmall (nothing queued) or ecPutBlockFail; a negative
  // system code once the device has gone away.
  int QueueBlock(std::span<const std::uint8_t> block);
  int InputCount();
  int OutputCount();
  // Bytes the device driver took from the output ring but has not sent yet;
  // 0 when it can't tell (a pseudo-terminal never can).
  int DeviceOutputCount();

  // Status refresh: driver error bits (0 if the call failed); the queue
  // status, with the output ring's count as bytes waiting to be written.
  std::uint32_t ReadDeviceStatus(TSerlQueueStatus* status = nullptr);
  void RefreshLineErrors();
  void RefreshModemStatus();

  // The notification target; a device lost before it was registered is
  // posted to it at once.
  void RegisterNotifier(TSerlNotifier* notifier);
  void UnregisterNotifier();
  // 0, or the negative code of a device that has gone away.
  int LostCode() const { return DevLostCode(); }
  // Posts nmDeviceLost when the device has gone away; called by the event
  // thread when its wait for the device fails.
  void NoticeDeviceLost();
  void SetInputThreshold(std::uint16_t threshold);
  void SetOptionBits(std::uint16_t bits) { optionWord_ |= bits; }
  void ClearOptionBits(std::uint16_t bits) { optionWord_ &= static_cast<std::uint16_t>(~bits); }
  std::uint16_t OptionWord() const noexcept { return optionWord_; }
  void SetRS485Mode(bool on) { rs485Mode_ = on; }
  void SetThreadBoost(int boost) { threadBoost_ = boost; }
  void SetHasOwnerHandler(bool has) { ownerHasHandler_ = has; }
  void SaveTriggers(TSerlTriggerStore& store);
  void RestoreTriggers(const TSerlTriggerStore& store);

  int SetTracing(TTraceLogState value, const TSerlTrace::Settings& settings);
  void ResizeTrace(const TSerlTrace::Settings& settings);
  TTraceLogState Tracing();
  std::vector<TSerlTraceEntry> TraceEntries();
  int SetLogging(TTraceLogState value, const TSerlLog::Settings& settings);
  void ResizeLog(const TSerlLog::Settings& settings);
  TTraceLogState Logging();

  int Handle() const noexcept { return handle_; }
  TSerlCustomComPort* Owner() const noexcept { return owner_; }
  const std::string& DeviceName() const noexcept { return deviceName_; }
  void SetDeviceName(std::string name) { deviceName_ = std::move(name); }
  bool InCallback() const noexcept { return inCallback_; }
  void SetInCallback(bool on) noexcept { inCallback_ = on; }
  bool ClosePending() const noexcept { return closePending_; }
  int RunningThreads() const noexcept { return runningThreads_; }
  bool ThreadsStarted() const noexcept { return threadsStarted_; }
  std::uint32_t ErrorWord() const noexcept { return errorWord_; }
  // The modem lines, read from the device now (with the bits of lines that
  // changed since the last read): on a USB adapter every read is a control
  // transfer, so they are read when asked for or when the device reports a
  // change, never on every pass of the dispatch thread.
  std::uint8_t ModemStatus();
  TSerlLineState LineState();
  bool RingSeen() const noexcept { return ringSeen_; }

  // The probe's use: open and close only the device, nothing else.
  int OpenDeviceOnly(std::string_view path) { return DevOpen(path); }
  int CloseDeviceOnly() { return DevClose(); }

 protected:
  // Shuts down if needed and waits for the threads. A subclass destructor
  // calls it first, while its device operations still exist.
  void Destroy() noexcept;

  // --- Device operations, one implementation per operating system. ---
  // 0, or the negated system error (2/3 no such port, 5 held by another
  // program, sysPermissionDenied, ...).
  virtual int DevOpen(std::string_view path) = 0;
  virtual int DevClose() = 0;  // 0 or -1
  virtual int DevSetQueueSizes(int inSize, int outSize) = 0;
  virtual int DevGetState(TSerlLineState& state) = 0;        // 0 or -1
  virtual int DevSetState(const TSerlLineState& state) = 0;  // 0 or negated error
  virtual int DevEscape(int function) = 0;                   // escSetRTS ... escClrDTR
  virtual int DevPurge(unsigned flags) = 0;
  virtual int DevClearError(std::uint32_t& errors, TSerlQueueStatus& status) = 0;
  virtual int DevModemStatus(std::uint32_t& status) = 0;
  // A mask of 0 makes a pending DevWaitEvent return at once with no events.
  virtual int DevSetEventMask(std::uint32_t mask) = 0;
  virtual int DevSetTimeouts() = 0;
  // Blocks until a masked event; 0 and the event bits, or a negative code
  // when the wait failed (the event thread then ends).
  virtual int DevWaitEvent(std::uint32_t& events) = 0;
  // Up to n bytes of what the driver holds, without waiting: the count, or a
  // negative code.
  virtual int DevRead(std::uint8_t* buffer, int n) = 0;
  // Writes all n bytes, waiting for the device or for abort: n, a negative
  // code, or -sysOperationAborted when abort was set (and consumed).
  virtual int DevWrite(const std::uint8_t* data, int n, TSerlEvent& abort) = 0;
  virtual int RecoverRead() { return 0; }
  // 0, or the negative code of a device that has gone away.
  virtual int DevLostCode() const { return 0; }
  virtual void SleepMs(unsigned ms);
  // For a device wait: received bytes cannot be taken in now.
  bool InputRingFull();
  // The threads have been told to end.
  bool StopRequested() const noexcept { return stop_; }

 private:
  friend class TSerlDispatcherThread;
  friend class TComThread;
  friend class TDispThread;
  friend class TOutThread;

  int WriteLineStateLocked(TSerlLineState& state);
  int StateReadFailure() const;
  int ReadStep();
  void DispatchPass();
  void WriteLoop();
  void AdvanceOutput(int count);
  int CloseDevice();
  int StartThreads();
  void StopThreads();
  void TearDown();
  void CreateSignals();
  void CloseSignals();
  std::uint32_t ElapsedMs() const;
  void LogEvent(TLogEvent event, std::int32_t detail, std::span<const std::uint8_t> bytes = {});

  TSerlCustomComPort* owner_ = nullptr;
  int handle_ = -1;
  std::string deviceName_;
  bool deviceOpen_ = false;

  std::atomic<std::uint32_t> errorWord_{0};
  int inSize_ = 0;
  int outSize_ = 0;
  std::uint8_t modemStatus_ = 0;
  TSerlQueueStatus queueStatus_;
  TSerlLineState lineState_;
  std::uint32_t lastSpeed_ = 115200;
  std::atomic<std::uint16_t> optionWord_{0};
  bool dtrState_ = false;
  bool rtsState_ = false;
  bool dtrHandshake_ = false;
  bool rtsHandshake_ = false;
  std::atomic<bool> rs485Mode_{false};
  std::atomic<int> threadBoost_{0};

  TSerlNotifier* notifier_ = nullptr;
  std::atomic<std::uint16_t> inputThreshold_{0};
  int nextTrigger_ = 1;
  std::atomic<bool> ownerHasHandler_{false};

  TSerlRing inRing_;
  TSerlRing outRing_;
  std::uint32_t outGeneration_ = 0;  // bumped when the output ring is emptied
  std::atomic<bool> discarding_{false};  // a discard is taking the ring from the writer

  std::unique_ptr<TComThread> comThread_;
  std::unique_ptr<TDispThread> dispThread_;
  std::unique_ptr<TOutThread> outThread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> runningThreads_{0};
  std::atomic<bool> threadsStarted_{false};

  std::unique_ptr<TSerlEvent> deviceEvent_;
  std::unique_ptr<TSerlEvent> ready_;
  std::unique_ptr<TSerlEvent> started_;
  std::unique_ptr<TSerlEvent> output_;
  std::unique_ptr<TSerlEvent> writeDone_;
  std::unique_ptr<TSerlEvent> outputAbort_;

  std::atomic<std::uint32_t> eventWord_{0};
  std::atomic<bool> ringSeen_{false};
  std::atomic<bool> inCallback_{false};
  std::atomic<bool> closePending_{false};

  TSerlTrace trace_;
  TSerlLog log_;
  std::chrono::steady_clock::time_point startTime_ = std::chrono::steady_clock::now();

  std::recursive_mutex lineLock_;
  std::recursive_mutex outputLock_;
  std::recursive_mutex inputLock_;
};

}  // namespace canalarm::serl

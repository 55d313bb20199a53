// SPDX-License-Identifier: MIT
// The serial port component: properties that configure a port, the open and
// close of its dispatcher, and the byte operations the link uses.
//
// Contract:
// - All members run on the owner's thread (not thread-safe); the dispatcher's
//   threads reach the component only through the notifier, whose messages the
//   host hands back with ProcessNotifications on this same thread.
// - Property setters store while the port is closed and apply at once while
//   it is open. Failures raise the serial layer's exceptions (CheckSerlError,
//   serial/SerlExceptions.h); the state after a failure is stated per member.
// - ClearInput, ByteAvailable, ReadByte and WriteByte never wait for the
//   device: they work on the dispatcher's rings. With AutoOpen (default) they
//   open a closed port first.
// - Once the device has gone away (an unplugged adapter, a hung-up line),
//   ByteAvailable and ReadByte raise as soon as the bytes received before
//   have been read, and WriteByte at once: ESerialIO whose text says so and
//   whose SourceCode() is -sysDeviceNotConnected. The notifier is woken
//   (nmDeviceLost), so a host waiting for data learns of it at once. The
//   port stays open until closed.
// - Flow control, RS-485, triggers and the telephony mode are kept as
//   properties; they do not change how this program drives the line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/SerlTypes.h"
#include "serial/TSerlBaseComponent.h"
#include "serial/TSerlBaseDispatcher.h"
#include "serial/TSerlNotifier.h"

namespace canalarm::serl {

class TSerlCustomComPort : public TSerlBaseComponent {
 public:
  using TDispatcherFactory = std::function<std::unique_ptr<TSerlBaseDispatcher>(TSerlCustomComPort*)>;
  // Asked for a port number when opening with ComNumber 0 and PromptForPort;
  // 0 means the user chose none.
  using TPortSelector = std::function<int()>;
  using TNotifyEvent = std::function<void(TSerlCustomComPort&)>;
  using TTriggerAvailEvent = std::function<void(TSerlCustomComPort&, int count)>;

  static constexpr std::uint32_t kMaxTraceSize = 4000000;
  static constexpr std::uint32_t kMaxLogSize = 16000000;

  TSerlCustomComPort() = default;
  // Closes an open port; errors of that close are swallowed.
  ~TSerlCustomComPort() override;
  TSerlCustomComPort(const TSerlCustomComPort&) = delete;
  TSerlCustomComPort& operator=(const TSerlCustomComPort&) = delete;

  // --- Properties -------------------------------------------------------
  TDeviceLayer DeviceLayer() const noexcept { return deviceLayer_; }
  void SetDeviceLayer(TDeviceLayer v) { deviceLayer_ = v; }
  std::uint16_t ComNumber() const noexcept { return comNumber_; }
  // While open: close, store, open again with the same settings; a failure of
  // the reopen propagates and leaves the port closed.
  void SetComNumber(std::uint16_t n);
  // A device path to open instead of "\\.\COMn" (empty: use ComNumber).
  // Changing it while open reopens like ComNumber.
  const std::string& DevicePath() const noexcept { return devicePath_; }
  void SetDevicePath(std::string path);
  std::int32_t Baud() const noexcept { return baud_; }
  // While open: applies the line at once (may wait for the output to drain).
  void SetBaud(std::int32_t b);
  bool PromptForPort() const noexcept { return promptForPort_; }
  void SetPromptForPort(bool v) { promptForPort_ = v; }
  TParity Parity() const noexcept { return parity_; }
  void SetParity(TParity v);
  std::uint16_t DataBits() const noexcept { return dataBits_; }
  void SetDataBits(std::uint16_t v);
  std::uint16_t StopBits() const noexcept { return stopBits_; }
  void SetStopBits(std::uint16_t v);
  std::uint16_t InSize() const noexcept { return inSize_; }
  void SetInSize(std::uint16_t v) { inSize_ = v; }
  std::uint16_t OutSize() const noexcept { return outSize_; }
  void SetOutSize(std::uint16_t v) { outSize_ = v; }
  bool AutoOpen() const noexcept { return autoOpen_; }
  void SetAutoOpen(bool v) { autoOpen_ = v; }
  // True only after a successful open.
  bool Open() const noexcept { return open_; }
  // True opens (a failure leaves the port closed and raises), false closes.
  void SetOpen(bool v);
  bool DTR() const noexcept { return dtr_; }
  void SetDTR(bool v);
  bool RTS() const noexcept { return rts_; }
  // While open the line changes at once, unless RTS is under handshake.
  void SetRTS(bool v);
  THWFlowOptions HWFlowOptions() const noexcept { return hwFlowOptions_; }
  void SetHWFlowOptions(THWFlowOptions v);
  TSWFlowOptions SWFlowOptions() const noexcept { return swFlowOptions_; }
  void SetSWFlowOptions(TSWFlowOptions v);
  char XOnChar() const noexcept { return xonChar_; }
  void SetXOnChar(char v);
  char XOffChar() const noexcept { return xoffChar_; }
  void SetXOffChar(char v);
  std::uint16_t BufferFull() const noexcept { return bufferFull_; }
  void SetBufferFull(std::uint16_t v);
  std::uint16_t BufferResume() const noexcept { return bufferResume_; }
  void SetBufferResume(std::uint16_t v);
  TTraceLogState Tracing() const noexcept { return tracing_; }
  void SetTracing(TTraceLogState v);
  std::uint32_t TraceSize() const noexcept { return traceSize_; }
  void SetTraceSize(std::uint32_t v);
  const std::string& TraceName() const noexcept { return traceName_; }
  void SetTraceName(std::string v) { traceName_ = Limit(std::move(v)); }
  bool TraceHex() const noexcept { return traceHex_; }
  void SetTraceHex(bool v) { traceHex_ = v; }
  bool TraceAllHex() const noexcept { return traceAllHex_; }
  void SetTraceAllHex(bool v) { traceAllHex_ = v; }
  TTraceLogState Logging() const noexcept { return logging_; }
  void SetLogging(TTraceLogState v);
  std::uint32_t LogSize() const noexcept { return logSize_; }
  void SetLogSize(std::uint32_t v);
  const std::string& LogName() const noexcept { return logName_; }
  void SetLogName(std::string v) { logName_ = Limit(std::move(v)); }
  bool LogHex() const noexcept { return logHex_; }
  void SetLogHex(bool v) { logHex_ = v; }
  bool LogAllHex() const noexcept { return logAllHex_; }
  void SetLogAllHex(bool v) { logAllHex_ = v; }
  bool UseMSRShadow() const noexcept { return useMSRShadow_; }
  void SetUseMSRShadow(bool v) { useMSRShadow_ = v; }
  bool UseEventWord() const noexcept { return useEventWord_; }
  void SetUseEventWord(bool v);
  std::uint16_t CommNotificationLevel() const noexcept { return commNotificationLevel_; }
  void SetCommNotificationLevel(std::uint16_t v) { commNotificationLevel_ = v; }
  TTapiMode TapiMode() const noexcept { return tapiMode_; }
  void SetTapiMode(TTapiMode v) { tapiMode_ = v; }
  bool RS485Mode() const noexcept { return rs485Mode_; }
  void SetRS485Mode(bool v);
  std::uint16_t InputThreshold() const noexcept { return inputThreshold_; }
  void SetInputThreshold(std::uint16_t v);
  int ThreadBoost() const noexcept { return threadBoost_; }
  void SetThreadBoost(int v);

  TNotifyEvent OnPortOpen;
  TNotifyEvent OnPortClose;
  // Fired from ProcessNotifications when received bytes reached the input
  // threshold. Closing the port inside it is allowed (the close completes
  // when the callback has returned).
  TTriggerAvailEvent OnTriggerAvail;

  // --- Operations -------------------------------------------------------
  // Discards every received byte not yet read (driver queue and ring).
  void ClearInput();
  // True when a received byte waits in the input ring. Never waits. Raises
  // when the ring is empty and the device has gone away.
  bool ByteAvailable();
  // The next received byte. Raises EBufferIsEmpty when there is none (the
  // device's loss instead, when it has gone away); the port stays open.
  std::uint8_t ReadByte();
  // Queues one byte and returns before it is sent. Raises
  // EOutputBufferTooSmall when OutSize bytes are still queued (the byte is
  // dropped, the port stays open).
  void WriteByte(std::uint8_t b);

  // --- Unpublished --------------------------------------------------------
  TPortPhase PortPhase() const noexcept { return phase_; }
  // Readable while the dispatcher has posted a notification; -1 when closed
  // and on Windows, which has no descriptor.
  int NotificationDescriptor() const noexcept;
  // The notifier's platform handle (the descriptor, or on Windows an event
  // that is set while a notification waits); -1 when closed.
  std::intptr_t NotificationHandle() const noexcept;
  // Waits up to timeoutMs for a notification; true when one is pending.
  // Without an open port it returns false at once.
  bool WaitForNotification(int timeoutMs) const;
  // Handles posted notifications: data available (OnTriggerAvail) and a
  // deferred close. Call it when NotificationDescriptor() is readable.
  void ProcessNotifications();
  // The open port's dispatcher, or nullptr.
  TSerlBaseDispatcher* Dispatcher() const noexcept { return dispatcher_.get(); }
  void SetDispatcherFactory(TDispatcherFactory factory) { factory_ = std::move(factory); }
  void SetPortSelector(TPortSelector selector) { selector_ = std::move(selector); }
  // While loading, Open := True is remembered and errors are returned, not
  // raised; EndLoading performs the open (a failure raises, Open False).
  void BeginLoading() noexcept { loading_ = true; }
  void EndLoading();
  bool Loading() const noexcept { return loading_; }

 private:
  static std::string Limit(std::string s) {
    if (s.size() > 255) s.resize(255);
    return s;
  }
  int Check(int code) const;
  // Raises the loss of the device, if it has gone away.
  void CheckDeviceLost(TSerlBaseDispatcher& d) const;
  bool Applies() const noexcept { return phase_ == TPortPhase::ppOpen && dispatcher_ != nullptr; }
  std::string PortPath() const;
  void DoOpen();
  void DoClose();
  void FinishClose();
  void Reopen(const std::function<void()>& change);
  void ApplyLine();
  void ApplyHWFlow();
  // The dispatcher for an operation, opening the port when AutoOpen allows;
  // nullptr while the port is closing.
  TSerlBaseDispatcher* OperationDispatcher();
  TSerlTrace::Settings TraceSettings() const { return {traceSize_, traceName_, traceHex_, traceAllHex_}; }
  TSerlLog::Settings LogSettings() const { return {logSize_, logName_, logHex_, logAllHex_}; }

  TDeviceLayer deviceLayer_ = TDeviceLayer::dlWin32;
  std::uint16_t comNumber_ = 0;
  std::string devicePath_;
  std::int32_t baud_ = 19200;
  bool promptForPort_ = true;
  TParity parity_ = TParity::pNone;
  std::uint16_t dataBits_ = 8;
  std::uint16_t stopBits_ = 1;
  std::uint16_t inSize_ = 4096;
  std::uint16_t outSize_ = 4096;
  bool autoOpen_ = true;
  bool open_ = false;
  bool dtr_ = true;
  bool rts_ = true;
  THWFlowOptions hwFlowOptions_ = 0;
  TSWFlowOptions swFlowOptions_ = TSWFlowOptions::swfNone;
  char xonChar_ = 17;
  char xoffChar_ = 19;
  std::uint16_t bufferFull_ = 0;
  std::uint16_t bufferResume_ = 0;
  TTraceLogState tracing_ = TTraceLogState::tlOff;
  std::uint32_t traceSize_ = 10000;
  std::string traceName_ = "SERL.TRC";
  bool traceHex_ = true;
  bool traceAllHex_ = false;
  TTraceLogState logging_ = TTraceLogState::tlOff;
  std::uint32_t logSize_ = 10000;
  std::string logName_ = "SERL.LOG";
  bool logHex_ = true;
  bool logAllHex_ = false;
  bool useMSRShadow_ = true;
  bool useEventWord_ = true;
  std::uint16_t commNotificationLevel_ = 10;
  TTapiMode tapiMode_ = TTapiMode::tmAuto;
  bool rs485Mode_ = false;
  std::uint16_t inputThreshold_ = 1;
  int threadBoost_ = 0;

  TPortPhase phase_ = TPortPhase::ppClosed;
  std::unique_ptr<TSerlBaseDispatcher> dispatcher_;
  std::unique_ptr<TSerlNotifier> notifier_;
  bool force_ = false;
  bool openPending_ = false;
  bool openRequestedWhileLoading_ = false;
  bool loading_ = false;
  TSerlTriggerStore savedTriggers_;
  bool hasSavedTriggers_ = false;
  TDispatcherFactory factory_;
  TPortSelector selector_;
};

}  // namespace canalarm::serl

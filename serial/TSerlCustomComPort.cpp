// SPDX-License-Identifier: MIT
#include "serial/TSerlCustomComPort.h"

#include <algorithm>
#include <exception>

#include "serial/SerlDispatcherFactory.h"
#include "serial/SerlErrorText.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::serl {

TSerlCustomComPort::~TSerlCustomComPort() {
  try {
    if (phase_ != TPortPhase::ppClosed || dispatcher_) {
      if (dispatcher_) dispatcher_->SetInCallback(false);
      DoClose();
      if (dispatcher_) FinishClose();
    }
  } catch (...) {
    // A destructor cannot report; the device is closed by the dispatcher's
    // own destructor whatever happened above.
  }
}

int TSerlCustomComPort::Check(int code) const {
  // The check alone would raise a bare "Serl exception" for this code; the
  // user is better told in words that the device has gone.
  if (code == -sysDeviceNotConnected && !loading_) throw ESerialIO(ErrorMessage(code), code);
  return CheckSerlError(code, loading_);
}

void TSerlCustomComPort::CheckDeviceLost(TSerlBaseDispatcher& d) const {
  if (const int lost = d.LostCode(); lost < 0) Check(lost);
}

std::string TSerlCustomComPort::PortPath() const {
  return devicePath_.empty() ? ComPortPath(comNumber_) : devicePath_;
}

int TSerlCustomComPort::NotificationDescriptor() const noexcept {
  return notifier_ ? notifier_->Descriptor() : -1;
}

std::intptr_t TSerlCustomComPort::NotificationHandle() const noexcept {
  return notifier_ ? notifier_->NativeHandle() : -1;
}

bool TSerlCustomComPort::WaitForNotification(int timeoutMs) const {
  return notifier_ && notifier_->Wait(timeoutMs);
}

// ------------------------------------------------------------------ open, close

void TSerlCustomComPort::SetOpen(bool v) {
  if (v == open_ && !(v && phase_ == TPortPhase::ppClosing)) return;
  if (loading_) {
    openRequestedWhileLoading_ = v;
    return;
  }
  if (!v) {
    openPending_ = false;
    if (phase_ == TPortPhase::ppOpen) DoClose();
    return;
  }
  if (phase_ == TPortPhase::ppClosing) {
    openPending_ = true;
  } else if (phase_ == TPortPhase::ppClosed) {
    DoOpen();
  }
}

void TSerlCustomComPort::EndLoading() {
  loading_ = false;
  if (!openRequestedWhileLoading_) return;
  openRequestedWhileLoading_ = false;
  DoOpen();
}

void TSerlCustomComPort::DoOpen() {
  if (devicePath_.empty() && tapiMode_ != TTapiMode::tmOn && comNumber_ == 0) {
    if (!promptForPort_ || !selector_) Check(ecNoPortSelected);
    const int chosen = selector_ ? selector_() : 0;
    if (chosen <= 0 || chosen > 0xFFFF) Check(ecNoPortSelected);
    comNumber_ = static_cast<std::uint16_t>(chosen);
  }
  if (deviceLayer_ != TDeviceLayer::dlWin32) Check(ecNullApi);

  dispatcher_ = factory_ ? factory_(this) : CreatePlatformDispatcher(this);
  dispatcher_->SetDeviceName(devicePath_.empty() ? "COM" + std::to_string(comNumber_) : devicePath_);
  try {
    std::uint8_t flags = 0;
    if (dtr_) flags |= lfDTR;
    if (rts_) flags |= lfRTS;
    if (hwFlowOptions_ & hwfUseDTR) flags |= lfDTRHandshake;
    if (hwFlowOptions_ & hwfUseRTS) flags |= lfRTSHandshake;
    int r = dispatcher_->Open(PortPath(), baud_, flags, outSize_, inSize_, stopBits_, dataBits_,
                              static_cast<int>(parity_));
    if (r == -sysAccessDenied) r = ecAlreadyOpen;
    if (r == -sysFileNotFound || r == -sysPathNotFound) r = ecBadId;
    if (r != 0) Check(r);
    if (r < 0) throw ESerlException(r);  // loading: no exception from Check, but no port either

    phase_ = TPortPhase::ppOpen;
    dispatcher_->SetHasOwnerHandler(false);
    force_ = true;
    SetTracing(tracing_);
    SetLogging(logging_);
    SetHWFlowOptions(hwFlowOptions_);
    SetSWFlowOptions(swFlowOptions_);
    SetXOnChar(xonChar_);
    SetXOffChar(xoffChar_);
    SetInputThreshold(inputThreshold_);
    SetDTR(dtr_);
    SetRTS(rts_);
    SetUseEventWord(useEventWord_);
    SetRS485Mode(rs485Mode_);
    SetThreadBoost(threadBoost_);
    force_ = false;
    open_ = true;
    notifier_ = std::make_unique<TSerlNotifier>();
    dispatcher_->RegisterNotifier(notifier_.get());
    if (hasSavedTriggers_) {
      dispatcher_->RestoreTriggers(savedTriggers_);
      hasSavedTriggers_ = false;
    }
  } catch (...) {
    force_ = false;
    open_ = false;
    phase_ = TPortPhase::ppClosed;
    notifier_.reset();
    dispatcher_.reset();  // stops its threads and closes the device
    throw;
  }
  if (OnPortOpen) OnPortOpen(*this);
}

void TSerlCustomComPort::DoClose() {
  // The close goes through even when the trace or log cannot be written;
  // that failure is raised once the port is closed.
  std::exception_ptr dumpFailure;
  try {
    SetTracing(TTraceLogState::tlDump);
  } catch (...) {
    dumpFailure = std::current_exception();
  }
  try {
    SetLogging(TTraceLogState::tlDump);
  } catch (...) {
    if (!dumpFailure) dumpFailure = std::current_exception();
  }
  phase_ = TPortPhase::ppClosing;
  if (dispatcher_) {
    dispatcher_->SaveTriggers(savedTriggers_);
    hasSavedTriggers_ = true;
    dispatcher_->ShutDown();
    if (dispatcher_->ClosePending()) {
      // Inside a notification callback: finished by ProcessNotifications.
      if (notifier_) notifier_->Post(TSerlNotifier::nmDeferredClose);
      if (dumpFailure) std::rethrow_exception(dumpFailure);
      return;
    }
  }
  FinishClose();
  if (dumpFailure) std::rethrow_exception(dumpFailure);
}

void TSerlCustomComPort::FinishClose() {
  if (dispatcher_) {
    dispatcher_->FinishDeferredClose();
    dispatcher_->UnregisterNotifier();
  }
  notifier_.reset();
  dispatcher_.reset();
  phase_ = TPortPhase::ppClosed;
  open_ = false;
  if (OnPortClose) OnPortClose(*this);
}

void TSerlCustomComPort::ProcessNotifications() {
  if (!notifier_ || !dispatcher_) return;
  const std::uint32_t messages = notifier_->Take();
  if ((messages & TSerlNotifier::nmDataAvailable) != 0 && phase_ == TPortPhase::ppOpen && OnTriggerAvail) {
    dispatcher_->SetInCallback(true);
    try {
      OnTriggerAvail(*this, dispatcher_->InputCount());
    } catch (...) {
      if (dispatcher_) dispatcher_->SetInCallback(false);
      throw;
    }
    dispatcher_->SetInCallback(false);
  }
  if (dispatcher_ && dispatcher_->ClosePending() && !dispatcher_->InCallback()) {
    FinishClose();
    if (openPending_) {
      openPending_ = false;
      DoOpen();
    }
  }
}

void TSerlCustomComPort::Reopen(const std::function<void()>& change) {
  if (phase_ != TPortPhase::ppOpen) {
    change();
    return;
  }
  TSerlTriggerStore triggers;
  dispatcher_->SaveTriggers(triggers);
  const auto tracing = tracing_;
  const auto logging = logging_;
  SetOpen(false);
  change();
  tracing_ = tracing;
  logging_ = logging;
  SetOpen(true);
  if (dispatcher_) dispatcher_->RestoreTriggers(triggers);
}

void TSerlCustomComPort::SetComNumber(std::uint16_t n) {
  if (n == comNumber_) return;
  Reopen([&] { comNumber_ = n; });
}

void TSerlCustomComPort::SetDevicePath(std::string path) {
  if (path == devicePath_) return;
  Reopen([&] { devicePath_ = std::move(path); });
}

// ------------------------------------------------------------------ line settings

void TSerlCustomComPort::ApplyLine() {
  if (Applies()) {
    Check(dispatcher_->SetLine(baud_, static_cast<int>(parity_), dataBits_, stopBits_));
  }
}

void TSerlCustomComPort::SetBaud(std::int32_t b) {
  if (b == baud_) return;
  baud_ = b;
  ApplyLine();
}

void TSerlCustomComPort::SetParity(TParity v) {
  if (v == parity_) return;
  parity_ = v;
  ApplyLine();
}

void TSerlCustomComPort::SetDataBits(std::uint16_t v) {
  if (v == dataBits_) return;
  dataBits_ = v;
  ApplyLine();
}

void TSerlCustomComPort::SetStopBits(std::uint16_t v) {
  if (v == stopBits_) return;
  stopBits_ = v;
  ApplyLine();
}

void TSerlCustomComPort::SetDTR(bool v) {
  if (v == dtr_ && !force_) return;
  if (!Applies()) {
    dtr_ = v;
    return;
  }
  const int r = dispatcher_->SetDTR(v);
  if (r == 1) return;  // under handshake: the line is not ours to drive
  Check(r);
  dtr_ = v;
}

void TSerlCustomComPort::SetRTS(bool v) {
  if (v == rts_ && !force_) return;
  if (!Applies()) {
    rts_ = v;
    return;
  }
  const int r = dispatcher_->SetRTS(v);
  if (r == 1) return;
  Check(r);
  rts_ = v;
}

void TSerlCustomComPort::ApplyHWFlow() {
  if (Applies()) Check(dispatcher_->SetHWFlow(bufferFull_, bufferResume_, hwFlowOptions_));
}

void TSerlCustomComPort::SetHWFlowOptions(THWFlowOptions v) {
  if (v == hwFlowOptions_ && !force_) return;
  hwFlowOptions_ = v;
  ApplyHWFlow();
}

void TSerlCustomComPort::SetSWFlowOptions(TSWFlowOptions v) {
  if (v == swFlowOptions_ && !force_) return;
  swFlowOptions_ = v;
  if (Applies()) Check(dispatcher_->SetSWFlow(bufferFull_, bufferResume_, v));
}

void TSerlCustomComPort::SetXOnChar(char v) {
  if (v == xonChar_ && !force_) return;
  xonChar_ = v;
  if (Applies()) Check(dispatcher_->SetFlowChars(xonChar_, xoffChar_));
}

void TSerlCustomComPort::SetXOffChar(char v) {
  if (v == xoffChar_ && !force_) return;
  xoffChar_ = v;
  if (Applies()) Check(dispatcher_->SetFlowChars(xonChar_, xoffChar_));
}

void TSerlCustomComPort::SetBufferFull(std::uint16_t v) {
  if (v == bufferFull_) return;
  bufferFull_ = v;
  ApplyHWFlow();
}

void TSerlCustomComPort::SetBufferResume(std::uint16_t v) {
  if (v == bufferResume_) return;
  bufferResume_ = v;
  ApplyHWFlow();
}

void TSerlCustomComPort::SetUseEventWord(bool v) {
  if (v == useEventWord_ && !force_) return;
  useEventWord_ = v;
  if (!Applies()) return;
  if (v) {
    dispatcher_->SetOptionBits(4);
  } else {
    dispatcher_->ClearOptionBits(4);
  }
}

void TSerlCustomComPort::SetRS485Mode(bool v) {
  if (v == rs485Mode_ && !force_) return;
  rs485Mode_ = v;
  if (Applies()) dispatcher_->SetRS485Mode(v);
}

void TSerlCustomComPort::SetInputThreshold(std::uint16_t v) {
  if (v == inputThreshold_ && !force_) return;
  inputThreshold_ = v;
  if (Applies()) dispatcher_->SetInputThreshold(v);
}

void TSerlCustomComPort::SetThreadBoost(int v) {
  if (v == threadBoost_ && !force_) return;
  threadBoost_ = v;
  if (Applies()) dispatcher_->SetThreadBoost(v);
}

// ------------------------------------------------------------------ trace, log

void TSerlCustomComPort::SetTracing(TTraceLogState v) {
  if (!Applies()) {
    tracing_ = v == TTraceLogState::tlOn ? TTraceLogState::tlOn : TTraceLogState::tlOff;
    return;
  }
  const int r = dispatcher_->SetTracing(v, TraceSettings());
  tracing_ = dispatcher_->Tracing();
  Check(r);
}

void TSerlCustomComPort::SetTraceSize(std::uint32_t v) {
  traceSize_ = std::min(v, kMaxTraceSize);
  if (!Applies()) return;
  dispatcher_->ResizeTrace(TraceSettings());
  tracing_ = dispatcher_->Tracing();
}

void TSerlCustomComPort::SetLogging(TTraceLogState v) {
  if (!Applies()) {
    logging_ = v == TTraceLogState::tlOn ? TTraceLogState::tlOn : TTraceLogState::tlOff;
    return;
  }
  const int r = dispatcher_->SetLogging(v, LogSettings());
  logging_ = dispatcher_->Logging();
  Check(r);
}

void TSerlCustomComPort::SetLogSize(std::uint32_t v) {
  logSize_ = std::min(v, kMaxLogSize);
  if (!Applies()) return;
  dispatcher_->ResizeLog(LogSettings());
  logging_ = dispatcher_->Logging();
}

// ------------------------------------------------------------------ operations

TSerlBaseDispatcher* TSerlCustomComPort::OperationDispatcher() {
  if (phase_ == TPortPhase::ppClosing) return nullptr;
  if (!dispatcher_ && autoOpen_ && !loading_) DoOpen();
  if (!dispatcher_) {
    Check(ecCommNotOpen);
    return nullptr;
  }
  return dispatcher_.get();
}

void TSerlCustomComPort::ClearInput() {
  if (auto* d = OperationDispatcher()) Check(d->DiscardInput());
}

bool TSerlCustomComPort::ByteAvailable() {
  auto* d = OperationDispatcher();
  if (d == nullptr) return false;
  if (d->ByteWaiting()) return true;
  CheckDeviceLost(*d);
  return false;
}

std::uint8_t TSerlCustomComPort::ReadByte() {
  auto* d = OperationDispatcher();
  if (d == nullptr) return 0;
  std::uint8_t b = 0;
  const int r = d->ReadOneByte(b);
  if (r == ecBufferIsEmpty) CheckDeviceLost(*d);
  Check(r);
  return b;
}

void TSerlCustomComPort::WriteByte(std::uint8_t b) {
  if (auto* d = OperationDispatcher()) Check(d->QueueBlock({&b, 1}));
}

}  // namespace canalarm::serl

// SPDX-License-Identifier: MIT
// The window's life (creation, start state, closing) and its commands: the
// operations on the module, the running state of the controls while one
// runs, and what the log says when the port did not open.
#include "ui/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTranslator>
#include <QToolButton>
#include <QTabWidget>
#include <QUrl>

#include "firmware/Sha256.h"
#include "link/ModuleSettings.h"
#include "link/SerialLinkPort.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "texts/WindowTexts.h"
#include "link/VersionRead.h"
#include "link/ParameterTransfer.h"
#include "serial/SerlPortPaths.h"
#include "ui/ControlCaption.h"
#include "ui/HandlerGuard.h"
#include "ui/QtText.h"
#include "ui/TComSelectForm.h"
#include "ui/TForm1.h"
#include "ui/TImage.h"
#include "ui/TPortComboBox.h"
#include "ui/WindowLinkHost.h"
#include "ui/WindowParameterTab.h"
#include "ui/WindowSettings.h"

namespace canalarm::ui {

TfrmMain::TfrmMain(QWidget* parent) : TfrmMain(nullptr, parent) {}

TfrmMain::TfrmMain(std::unique_ptr<LinkPort> port, QWidget* parent)
    : QWidget(parent),
      linkPort_(port ? std::move(port) : std::make_unique<SerialLinkPort>(comPort_)),
      qtTranslator_(std::make_unique<QTranslator>()),
      guard_(std::make_unique<HandlerGuard>(this)),
      fileChooser_(&TfrmMain::RunFileDialog),
      urlOpener_([](const QString& address) { QDesktopServices::openUrl(QUrl(address)); }),
      portDescriber_(&DescribePort),
      saveChooser_(&TfrmMain::RunSaveDialog),
      aboutPresenter_([this](const QString& title, const QString& text) {
        PresentAbout(title, text);
      }),
      backupChooser_([](QWidget* parent, const QStringList& labels) {
        bool ok = false;
        const QString chosen = QInputDialog::getItem(parent, QStringLiteral("Restore"), QString(), labels, 0,
                                                     false, &ok);
        return ok ? static_cast<int>(labels.indexOf(chosen)) : -1;
      }) {
  setObjectName(QStringLiteral("frmMain"));
  CreateControls();

  host_ = std::make_unique<WindowLinkHost>(
      LinkWidgets{meLog, Edit3, Edit1, Memo1, ProgressBar, ProgressBar1}, messages_,
      *TimeoutTicker);
  host_->SetInputNotifier([this] { return linkPort_->InputNotifyHandle(); },
                          [this] { guard_->Run([this] { linkPort_->TakeInputNotify(); }); });
  parametersTab_ = std::make_unique<WindowParameterTab>(PageControl1->widget(1), BitBtn1);
  link_ = std::make_unique<BootloaderLink>(*linkPort_, *host_);
  // Asked only when the component opens with no port number and may prompt.
  comPort_.SetPortSelector([this] { return TComSelectForm::Choose(this); });

  // While the link runs an error is logged: a message box would hold it.
  guard_->SetBusyFallback([this] { return !MayOpenDialog(); },
                          [this](const QString& message) {
                            host_->AddLogLine(ToStdString(message), LineKind::Failure);
                          });
  // Context menus anywhere in the program are refused while the link runs.
  qApp->installEventFilter(this);

  ConnectHandlers();
  BindKeys();
  guard_->Run([this] { FormCreate(); });
  guard_->Run([this] {
    RestorePortChoice();
    RestoreLanguageChoice();
    // Size, place and maximised state as the window was last closed.
    const QByteArray geometry = WindowSettings::Geometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    RefreshPortItems();
    ApplyCommandState();
  });
}

TfrmMain::~TfrmMain() {
  qApp->removeEventFilter(this);
  FormDestroy();
}

// --- Window ----------------------------------------------------------------

void TfrmMain::FormCreate() {
  logo1->setCurrentIndex(1);
  languageCode_ = canalarm::LanguageCode(kStartupLanguage);
  zmiana_jezyka(languageCode_);
  for (BrandVariant variant : kAllBrandVariants)
    findChild<TImage*>(ToQString(Brand(variant).logo))->hide();
  SetTitle(QString::fromLatin1(kStartTitle));
  help_ = std::make_unique<TForm1>();
}

void TfrmMain::FormDestroy() {}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (commandRunning_ && runningKind_ == CommandKind::Write) {
    // Ending a write leaves the module without a working program: the
    // first close only says so; a second one cancels, and the window stays
    // to show what the module now holds.
    event->ignore();
    if (!closeWarned_) {
      closeWarned_ = true;
      host_->AddLogLine(Text(CurrentLanguage(), WindowText::CloseWhileWriting), LineKind::Warning);
      return;
    }
    host_->Cancel();
    return;
  }
  if (commandRunning_) {
    // The operation runs inside a handler further down the stack: stop it
    // and close once it has returned.
    closePending_ = true;
    host_->Cancel();
    event->ignore();
    return;
  }
  if (help_) help_->close();
  WindowSettings::SetGeometry(saveGeometry());
  event->accept();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu && !MayOpenDialog()) return true;
  return QWidget::eventFilter(watched, event);
}

bool TfrmMain::MayOpenDialog() const { return !LinkRunning() && !link_->Busy(); }

void TfrmMain::EscapePressed() {
  if (LinkRunning()) {
    Button1Click();
  } else if (help_ && help_->isVisible()) {
    help_->close();
  }
}

void TfrmMain::TimeoutTickerTimer() { host_->Tick(); }

void TfrmMain::Button1Click() { host_->Cancel(); }

// --- Operations on the module ---------------------------------------------

UploadOptions TfrmMain::CurrentUploadOptions() const {
  UploadOptions options;
  options.decode = DecodeON->isChecked();
  options.eeprom = EEPROM->isChecked();
  options.allMemory = All_memory->isChecked();
  options.flashSize = Flash_size->isChecked();
  options.keepModuleSettings = cbKeepSettings->isChecked();
  return options;
}

BackupPlan TfrmMain::PlanBackup(const std::string& file) {
  const PortChoice port = CurrentPort();
  BackupPlan plan;
  plan.store = &backups_;
  plan.port = port.Name();
  plan.device = port.devicePath.empty() ? serl::ResolveDevicePath(serl::ComPortPath(port.comNumber))
                                        : port.devicePath;
  if (!file.empty()) {
    plan.file = file;
    plan.fileSha256 = FileSha256Hex(file);
  }
  return plan;
}

void TfrmMain::PrepareLink() { link_->SetRandomKey(PICencoding->isChecked()); }

void TfrmMain::bbUploadClick() {
  PrepareLink();
  host_->ShowTimeLeft(true);
  UploadOptions options = CurrentUploadOptions();
  const BackupPlan plan = PlanBackup(shared_.firmwareFileName);
  options.backup = &plan;
  lastOutcome_ = RunFirmwareUpload(*link_, shared_, CurrentPort(), options);
  if (lastOutcome_ == LinkOutcome::PortOpenError) ExplainPortOpenFailure();
}

void TfrmMain::Button2Click() {
  PrepareLink();
  lastOutcome_ = RunVersionRead(*link_, CurrentPort(), DeviceID->isChecked()).outcome;
  if (lastOutcome_ == LinkOutcome::PortOpenError) ExplainPortOpenFailure();
}

void TfrmMain::BitBtn2Click() {
  PrepareLink();
  host_->ShowTimeLeft(true);
  lastOutcome_ = RunParameterRead(*link_, shared_, CurrentPort(), *parametersTab_);
  if (lastOutcome_ == LinkOutcome::PortOpenError) ExplainPortOpenFailure(true);
  if (lastOutcome_ == LinkOutcome::Done) {
    moduleRead_ = true;
    ExplainProgramNumber();
  }
}

void TfrmMain::BitBtn1Click() {
  PrepareLink();
  const BackupPlan plan = PlanBackup(std::string());
  ParameterWriteOptions options;
  options.backup = &plan;
  lastOutcome_ = RunParameterWrite(*link_, shared_, CurrentPort(), *parametersTab_, options);
  if (lastOutcome_ == LinkOutcome::PortOpenError) ExplainPortOpenFailure(true);
}

void TfrmMain::ExplainProgramNumber() {
  // The spin offers 11..99 without a zero digit; a byte outside that (an
  // erased module's FF, a stray D7) is no program number at all.
  const std::string number = parametersTab_->Current().programNumber;
  const bool valid = number.size() == 2 && number[0] >= '1' && number[0] <= '9' && number[1] >= '1' &&
                     number[1] <= '9';
  if (valid) return;
  // Said beside what the read said, unless that was only "done".
  std::string status = FillIn(Text(CurrentLanguage(), WindowText::NoProgramNumber), number);
  const std::string said = ToStdString(Edit3->text());
  if (said != messages_.Text(MessageRole::msgDone)) status = said + " \u2014 " + status;
  host_->SetParameterStatus(status);
}

void TfrmMain::ShowNothingRead() {
  if (moduleRead_ || commandRunning_) return;
  Edit3->setText(ToQString(
      FillIn(Text(CurrentLanguage(), WindowText::NothingRead), ToStdString(CaptionOf(this, QStringLiteral("BitBtn2"))))));
}

void TfrmMain::ForgetModuleRead() {
  shared_.eepromHoldsModuleRead = false;
  ApplyCommandState();
}

bool TfrmMain::ShowBackupSettings(const BackupRecord& backup) {
  if (!shared_.eepromHoldsModuleRead) return false;
  std::array<std::uint8_t, 256> wanted = shared_.moduleRead;
  CopySettings(backup.eeprom, wanted);
  parametersTab_->Fill(FillParameters(wanted));
  Edit3->setText(ToQString(backup.time + ": " + SettingsChanges(shared_.moduleRead, wanted)));
  return true;
}

void TfrmMain::btnRestoreClick() {
  if (!shared_.eepromHoldsModuleRead || !shared_.moduleReadIdentity) return;
  // The module read: only its own backups (its identity and version text) are offered.
  std::array<std::uint8_t, 16> version{};
  std::copy(shared_.moduleRead.begin() + kVersionTextAddress, shared_.moduleRead.end(), version.begin());
  std::vector<BackupRecord> offered;
  QStringList labels;
  for (const StoredBackup& stored : backups_.List()) {
    if (!stored.record || stored.record->version != version ||
        stored.record->identity != shared_.moduleReadIdentity)
      continue;
    offered.insert(offered.begin(), *stored.record);  // newest first
    const BackupRecord& r = *stored.record;
    labels.prepend(ToQString(r.time + "  " + r.port + "  " + r.operation +
                             (r.identity ? "  " + IdentityText(*r.identity) : std::string())));
  }
  if (offered.empty()) {
    Edit3->setText(QStringLiteral("-"));
    return;
  }
  const int chosen = backupChooser_ ? backupChooser_(this, labels) : -1;
  if (chosen >= 0 && chosen < static_cast<int>(offered.size()))
    ShowBackupSettings(offered[static_cast<std::size_t>(chosen)]);
}

void TfrmMain::ExplainPortOpenFailure(bool parametersTab) {
  PortFacts facts = portDescriber_(CurrentPort().comNumber);
  // The open itself knows best why it failed; a description, which does not
  // open the port, can miss a hold (a terminal put in exclusive mode).
  switch (link_->LastOpenReason()) {
    case PortOpenReason::InUse:
      facts.present = facts.inUse = true;
      break;
    case PortOpenReason::PermissionDenied:
      facts.present = facts.noAccess = true;
      facts.inUse = false;
      break;
    case PortOpenReason::NoDevice:
      facts.present = false;
      break;
    case PortOpenReason::Other:
      break;
  }
  const std::string line = PortOpenFailureLine(facts, CurrentLanguage(), link_->LastOpenError());
  host_->AddLogLine(line, LineKind::Failure);
  if (parametersTab) {
    // Shown in the tab itself; the tooltip keeps it when the field is narrow.
    Edit3->setText(ToQString(FillIn(Text(CurrentLanguage(), WindowText::PortOpenFailed), line)));
    Edit3->setToolTip(ToQString(line));
  }
}

// --- Running state ---------------------------------------------------------

void TfrmMain::RunCommand(void (TfrmMain::*handler)(), CommandKind kind) {
  // One operation at a time: its waits pump events, so another command
  // button can be clicked meanwhile; that click is ignored.
  if (commandRunning_ || link_->Busy()) return;
  commandRunning_ = true;
  runningKind_ = kind;
  closeWarned_ = false;
  Edit3->setToolTip(QString());
  if (kind != CommandKind::Local) {
    lastOutcome_.reset();
    runningBar_ = PageControl1->currentIndex() == 1 ? ProgressBarId::Parameters
                                                    : ProgressBarId::Programming;
    focusAfter_ = QApplication::focusWidget();
    host_->BeginOperation();
    // Everything but Cancel: a click meanwhile could open a dialog or start
    // another job inside the link's wait.
    hold_.Hold({PageControl1}, {Button1, btnParamsCancel});
  }
  ApplyCommandState();
  if (kind != CommandKind::Local)
    (runningBar_ == ProgressBarId::Parameters ? btnParamsCancel : Button1)->setFocus(Qt::OtherFocusReason);
  struct Finish {
    TfrmMain* window;
    ~Finish() { window->CommandFinished(); }
  } finish{this};
  guard_->Run([this, handler, kind] {
    if (kind == CommandKind::Local) {
      (this->*handler)();
    } else {
      RunOperation(handler);
    }
  });
}

void TfrmMain::RunOperation(void (TfrmMain::*handler)()) {
  try {
    (this->*handler)();
  } catch (const serl::ESerlException& e) {
    // The port's own text is English and names no remedy; this case is
    // known, so the window says it in its language. Others go to the guard.
    if (e.SourceCode() != -serl::sysDeviceNotConnected) throw;
    ShowPortLost();
  }
}

void TfrmMain::ShowPortLost() {
  lastOutcome_ = LinkOutcome::PortLost;
  host_->AddLogLine(Text(CurrentLanguage(), WindowText::PortLost), LineKind::Failure);
  if (runningBar_ == ProgressBarId::Parameters)
    host_->SetParameterStatus(Text(CurrentLanguage(), WindowText::PortLost));
}

void TfrmMain::ShowOperationResult() {
  if (!lastOutcome_) return;
  const Language language = CurrentLanguage();
  switch (*lastOutcome_) {
    case LinkOutcome::Done:
      host_->ShowResult(runningBar_, LineKind::Success, ToQString(Text(language, WindowText::ResultDone)));
      break;
    case LinkOutcome::Cancelled:
      host_->ShowResult(runningBar_, LineKind::Warning,
                        ToQString(Text(language, WindowText::ResultCancelled)));
      break;
    default:
      host_->ShowResult(runningBar_, LineKind::Failure, ToQString(Text(language, WindowText::ResultFailed)));
      break;
  }
}

void TfrmMain::CommandFinished() {
  const bool operation = runningKind_ != CommandKind::Local;
  commandRunning_ = false;
  runningKind_ = CommandKind::Local;
  hold_.Release();
  host_->ShowTimeLeft(false);
  ApplyCommandState();
  host_->SyncTicker();
  if (operation) {
    ShowOperationResult();
    // Ports may have come, gone or been let go of meanwhile.
    RefreshPortItems();
  }
  if (focusAfter_ && focusAfter_->isEnabled()) focusAfter_->setFocus(Qt::OtherFocusReason);
  focusAfter_ = nullptr;
  if (closePending_) {
    closePending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void TfrmMain::ApplyCommandState() {
  const bool idle = !commandRunning_;
  const bool fileChosen = !shared_.firmwareFileName.empty();
  for (QWidget* control : std::initializer_list<QWidget*>{
           bbOpen, Button2, BitBtn2, cbPort, RadioButton1, RadioButton2, RadioButton3, cbLanguage,
           btnAbout})
    control->setEnabled(idle);
  findChild<QAction*>(QStringLiteral("actAbout"))->setEnabled(idle);
  bbUpload->setEnabled(idle && fileChosen);
  Button3->setEnabled(idle && fileChosen);
  // The write is offered only while the EEPROM image holds a complete read
  // of the module: an upload or a failed read takes it away.
  parametersTab_->SetHeld(!idle);
  parametersTab_->SetWriteEnabled(shared_.eepromHoldsModuleRead);
  Button1->setEnabled(!idle);
  btnParamsCancel->setEnabled(!idle);
  btnRestore->setEnabled(idle && shared_.eepromHoldsModuleRead);
}

// --- Parameters tab --------------------------------------------------------

void TfrmMain::RadioButton22Click() { parametersTab_->ShowMode(false); }

void TfrmMain::RadioButton23Click() { parametersTab_->ShowMode(true); }

void TfrmMain::CheckBox2Click() { parametersTab_->Fs1Changed(); }

void TfrmMain::CheckBox3Click() { parametersTab_->Fs3Changed(); }

void TfrmMain::SpinButton1UpClick() { parametersTab_->StepUp(); }

void TfrmMain::SpinButton1DownClick() { parametersTab_->StepDown(); }

}  // namespace canalarm::ui

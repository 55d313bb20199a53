// SPDX-License-Identifier: MIT
// The window's life (creation, start state, closing) and its commands: the
// operations on the module, the running state of the controls while one
// runs, and what the log says when the port did not open.
#include "ui/TfrmMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include "firmware/Sha256.h"
#include "link/ModuleSettings.h"
#include "link/SerialLinkPort.h"
#include "link/VersionRead.h"
#include "link/ParameterTransfer.h"
#include "serial/SerlPortPaths.h"
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

namespace {

constexpr const char* kStartTitle = "CAN Alarm Bootloader";

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : TfrmMain(nullptr, parent) {}

TfrmMain::TfrmMain(std::unique_ptr<LinkPort> port, QWidget* parent)
    : QWidget(parent),
      linkPort_(port ? std::move(port) : std::make_unique<SerialLinkPort>(comPort_)),
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

  ConnectHandlers();
  guard_->Run([this] { FormCreate(); });
  guard_->Run([this] {
    RestorePortChoice();
    RestoreLanguageChoice();
    RefreshPortItems();
    ApplyCommandState();
  });
}

TfrmMain::~TfrmMain() { FormDestroy(); }

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
  if (commandRunning_) {
    // The operation runs inside a handler further down the stack: stop it
    // and close once it has returned.
    closePending_ = true;
    host_->Cancel();
    event->ignore();
    return;
  }
  if (help_) help_->close();
  event->accept();
}

void TfrmMain::TimeoutTickerTimer() { host_->Tick(); }

void TfrmMain::Button1Click() { host_->Cancel(); }

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && commandRunning_) {
    host_->Cancel();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

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
  if (RunFirmwareUpload(*link_, shared_, CurrentPort(), options) == LinkOutcome::PortOpenError)
    ExplainPortOpenFailure();
}

void TfrmMain::Button2Click() {
  PrepareLink();
  if (RunVersionRead(*link_, CurrentPort(), DeviceID->isChecked()).outcome ==
      LinkOutcome::PortOpenError)
    ExplainPortOpenFailure();
}

void TfrmMain::BitBtn2Click() {
  PrepareLink();
  host_->ShowTimeLeft(true);
  if (RunParameterRead(*link_, shared_, CurrentPort(), *parametersTab_) == LinkOutcome::PortOpenError)
    ExplainPortOpenFailure(true);
}

void TfrmMain::BitBtn1Click() {
  PrepareLink();
  const BackupPlan plan = PlanBackup(std::string());
  ParameterWriteOptions options;
  options.backup = &plan;
  if (RunParameterWrite(*link_, shared_, CurrentPort(), *parametersTab_, options) ==
      LinkOutcome::PortOpenError)
    ExplainPortOpenFailure(true);
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
  if (!shared_.eepromHoldsModuleRead) return;
  // The module read: only its own backups (by its version text) are offered.
  std::array<std::uint8_t, 16> version{};
  std::copy(shared_.moduleRead.begin() + kVersionTextAddress, shared_.moduleRead.end(), version.begin());
  std::vector<BackupRecord> offered;
  QStringList labels;
  for (const StoredBackup& stored : backups_.List()) {
    if (!stored.record || stored.record->version != version) continue;
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
  const PortFacts facts = portDescriber_(CurrentPort().comNumber);
  const std::string line = PortOpenFailureLine(facts, CurrentLanguage(), link_->LastOpenError());
  host_->AddLogLine(line);
  if (parametersTab) Edit3->setToolTip(ToQString(line));
}

// --- Running state ---------------------------------------------------------

void TfrmMain::RunCommand(void (TfrmMain::*handler)()) {
  // One operation at a time: its waits pump events, so another command
  // button can be clicked meanwhile; that click is ignored.
  if (commandRunning_ || link_->Busy()) return;
  commandRunning_ = true;
  Edit3->setToolTip(QString());
  ApplyCommandState();
  struct Finish {
    TfrmMain* window;
    ~Finish() { window->CommandFinished(); }
  } finish{this};
  guard_->Run([this, handler] { (this->*handler)(); });
}

void TfrmMain::CommandFinished() {
  commandRunning_ = false;
  host_->ShowTimeLeft(false);
  ApplyCommandState();
  host_->SyncTicker();
  if (closePending_) {
    closePending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void TfrmMain::ApplyCommandState() {
  const bool idle = !commandRunning_;
  const bool fileChosen = !shared_.firmwareFileName.empty();
  for (QWidget* control : std::initializer_list<QWidget*>{
           bbOpen, Button2, BitBtn2, cbPort, RadioButton1, RadioButton2, RadioButton3, cbLanguage})
    control->setEnabled(idle);
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

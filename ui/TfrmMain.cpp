// SPDX-License-Identifier: MIT
#include "ui/TfrmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <stdexcept>

#include "firmware/HelpText.h"
#include "firmware/TextEncoding.h"
#include "link/SerialLinkPort.h"
#include "link/VersionRead.h"
#include "params/ParameterTransfer.h"
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
#include "texts/WindowTexts.h"

namespace canalarm::ui {

namespace {

constexpr const char* kStartTitle = "CAN Alarm Bootloader";

constexpr const char* kLicence = "MIT";

QString SaveFileDialog(QWidget* parent, const QString& folder) {
  return QFileDialog::getSaveFileName(parent, QString(), folder + QStringLiteral("/canalarm-log.txt"),
                                      QStringLiteral("*.txt"));
}

void PresentAbout(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("AboutBox"));
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.exec();
}

}  // namespace

QString TfrmMain::RunFileDialog(QFileDialog& dialog) {
  const int result = dialog.exec();
  // The name field's completer can leave its popup open behind the closed
  // dialog; a popup takes the next click, so the window would lose it.
  for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
    if (completer->popup() != nullptr) completer->popup()->hide();
  }
  if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

TfrmMain::TfrmMain(QWidget* parent) : TfrmMain(nullptr, parent) {}

TfrmMain::TfrmMain(std::unique_ptr<LinkPort> port, QWidget* parent)
    : QWidget(parent),
      linkPort_(port ? std::move(port) : std::make_unique<SerialLinkPort>(comPort_)),
      guard_(std::make_unique<HandlerGuard>(this)),
      fileChooser_(&TfrmMain::RunFileDialog),
      urlOpener_([](const QString& address) { QDesktopServices::openUrl(QUrl(address)); }),
      portDescriber_(&DescribePort),
      saveChooser_(&SaveFileDialog),
      aboutPresenter_([this](const QString& title, const QString& text) {
        PresentAbout(this, title, text);
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
    RestoreRememberedChoices();
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

void TfrmMain::SetTitle(const QString& title) {
  setWindowTitle(title);
  QGuiApplication::setApplicationDisplayName(title);
}

void TfrmMain::LOGOClick() { urlOpener_(ToQString(messages_.BrandWebAddress())); }

void TfrmMain::ClearClick() { Memo1->clear(); }

void TfrmMain::TimeoutTickerTimer() { host_->Tick(); }

void TfrmMain::Button1Click() { host_->Cancel(); }

// --- Language ------------------------------------------------------------

void TfrmMain::RadioGroup1Click() {
  char code = languageCode_;
  for (Language language : kAllLanguages) {
    auto* button = findChild<QRadioButton*>(ToQString(LanguageRadioButton(language)));
    if (button != nullptr && button->isChecked()) code = canalarm::LanguageCode(language);
  }
  zmiana_jezyka(code);
}

void TfrmMain::zmiana_jezyka(char code) {
  const std::optional<Language> language = LanguageFromCode(code);
  if (!language) return;
  languageCode_ = code;
  host_->SetLanguage(*language);
  ApplyCaptions(CaptionGroup::ProgrammingTab, *language);
  ApplyBrand(ChooseBrand(*language, dravon->isChecked(), logo1->currentIndex()));
  ApplyCaptions(CaptionGroup::TabPages, *language);
  messages_.Refill(*language);
  // Groups (4) and (5) get their FI form whatever the mode; the mode
  // handlers turn it into FA on the next change.
  ApplyCaptions(CaptionGroup::ParametersTab, *language);
  // The window's additions follow the language too.
  lblLanguage->setText(CaptionOf(this, QStringLiteral("RadioGroup1")));
  btnAbout->setToolTip(ToQString(Text(*language, WindowText::About)));
  findChild<QAction*>(QStringLiteral("actAbout"))->setText(ToQString(Text(*language, WindowText::About)));
  if (cbLanguage->currentIndex() != static_cast<int>(LanguageIndex(*language))) {
    const QSignalBlocker quiet(cbLanguage);
    cbLanguage->setCurrentIndex(static_cast<int>(LanguageIndex(*language)));
  }
  ShowPortItems();
}

void TfrmMain::ApplyCaptions(CaptionGroup group, Language language) {
  for (const CaptionRow& row : Captions(group)) {
    if (!SetCaption(this, ToQString(row.control), ToQString(row.Text(language))))
      throw std::logic_error("the window has no control " + std::string(row.control));
  }
}

void TfrmMain::ApplyBrand(const BrandChoice& choice) {
  for (const LogoVisibility& logo : choice.logos)
    findChild<TImage*>(ToQString(logo.logo))->setVisible(logo.visible);
  SetTitle(ToQString(choice.title));
  messages_.SetBrandWebAddress(choice.webAddress);
}

// --- Firmware file and help ------------------------------------------------

void TfrmMain::bbOpenClick() {
  const bool decode = DecodeON->isChecked();
  odOpen->setNameFilter(decode ? QStringLiteral("Plik HEXFW (*.hexfw)")
                               : QStringLiteral("Plik HEX (*.hex)"));
  odOpen->setDefaultSuffix(decode ? QStringLiteral("hexfw") : QStringLiteral("hex"));
  const QString folder = WindowSettings::LastFolder();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) odOpen->setDirectory(folder);
  const QString path = fileChooser_(*odOpen);
  if (!path.isEmpty()) ChooseFirmwareFile(path);
}

void TfrmMain::ChooseFirmwareFile(const QString& path) {
  WindowSettings::SetLastFolder(QFileInfo(path).absolutePath());
  shared_.firmwareFileName = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
  bbUpload->setEnabled(true);
  Button3->setEnabled(true);
  meLog->clear();
  Edit2->setText(QFileInfo(path).fileName());
}

void TfrmMain::Button3Click() {
  const auto lines = ReadHelpLines(shared_.firmwareFileName, DecodeON->isChecked());
  if (!lines) {
    host_->AddLogLine(messages_.Text(MessageRole::msgFileReadError));
    return;
  }
  const CodePage codePage =
      CurrentLanguage() == Language::Russian ? CodePage::Windows1251 : CodePage::Windows1250;
  QStringList text;
  for (const std::string& line : *lines) text << ToQString(HelpLineToUtf8(line, codePage));
  const bool placed = help_->isVisible();
  help_->ShowHelp(CaptionOf(this, QStringLiteral("Button3")), text);
  // Beside the window when it appears (its size is final once shown); a
  // help window the user has moved stays where it is.
  if (!placed) {
    const QScreen* screen = this->screen();
    help_->move(HelpPosition(frameGeometry(), help_->frameGeometry().size(),
                             screen != nullptr ? screen->availableGeometry() : QRect()));
  }
}

// --- Operations on the module ---------------------------------------------

PortChoice TfrmMain::CurrentPort() const {
  PortChoice port;
  port.comNumber = cbPort->currentIndex() + 1;
  port.baud = RadioButton1->isChecked() ? 9600 : RadioButton2->isChecked() ? 19200 : 38400;
  return port;
}

UploadOptions TfrmMain::CurrentUploadOptions() const {
  UploadOptions options;
  options.decode = DecodeON->isChecked();
  options.eeprom = EEPROM->isChecked();
  options.allMemory = All_memory->isChecked();
  options.flashSize = Flash_size->isChecked();
  return options;
}

void TfrmMain::PrepareLink() { link_->SetRandomKey(PICencoding->isChecked()); }

void TfrmMain::bbUploadClick() {
  PrepareLink();
  host_->ShowTimeLeft(true);
  if (RunFirmwareUpload(*link_, shared_, CurrentPort(), CurrentUploadOptions()) ==
      LinkOutcome::PortOpenError)
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
  if (RunParameterWrite(*link_, shared_, CurrentPort(), *parametersTab_) ==
      LinkOutcome::PortOpenError)
    ExplainPortOpenFailure(true);
}

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

// --- Parameters tab ----------------------------------------------------------

void TfrmMain::RadioButton22Click() {
  GroupBox8->setTitle(ToQString(ModeCaption(ToStdString(GroupBox8->title()), false)));
  GroupBox10->setTitle(ToQString(ModeCaption(ToStdString(GroupBox10->title()), false)));
}

void TfrmMain::RadioButton23Click() {
  GroupBox8->setTitle(ToQString(ModeCaption(ToStdString(GroupBox8->title()), true)));
  GroupBox10->setTitle(ToQString(ModeCaption(ToStdString(GroupBox10->title()), true)));
}

void TfrmMain::CheckBox2Click() {
  ParameterSet hazard;
  hazard.fs3 = CheckBox3->isChecked();
  SetFs1(hazard, CheckBox2->isChecked());
  CheckBox3->setChecked(hazard.fs3);
}

void TfrmMain::CheckBox3Click() {
  ParameterSet hazard;
  hazard.fs1 = CheckBox2->isChecked();
  SetFs3(hazard, CheckBox3->isChecked());
  CheckBox2->setChecked(hazard.fs1);
}

void TfrmMain::SpinButton1UpClick() { parametersTab_->StepUp(); }

void TfrmMain::SpinButton1DownClick() { parametersTab_->StepDown(); }

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// The window's additions to the controls of its design: the language list,
// described ports, the running state of the controls, dropped files, the
// About box, the log's menu, the help window's place and the remembered
// choices. Each is a function a test can call; the controls only call them.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QToolButton>

#include "ui/HandlerGuard.h"
#include "ui/QtText.h"
#include "ui/TPortComboBox.h"
#include "ui/TfrmMain.h"
#include "ui/WindowLinkHost.h"
#include "ui/WindowParameterTab.h"
#include "ui/WindowSettings.h"
#include "texts/WindowTexts.h"

namespace canalarm::ui {

namespace {

// The one local file of a drag, or nothing.
QString DraggedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().constFirst();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

int SpeedOf(const QRadioButton* r1, const QRadioButton* r2) {
  return r1->isChecked() ? 9600 : r2->isChecked() ? 19200 : 38400;
}

}  // namespace

Language TfrmMain::CurrentLanguage() const {
  return LanguageFromCode(languageCode_).value_or(kStartupLanguage);
}

// --- Language ------------------------------------------------------------

void TfrmMain::SelectLanguage(Language language) {
  auto* button = findChild<QRadioButton*>(ToQString(LanguageRadioButton(language)));
  if (button->isChecked()) {
    RadioGroup1Click();  // checked already: no toggle would run it
  } else {
    button->setChecked(true);  // runs RadioGroup1Click
  }
}

void TfrmMain::ChooseLanguage(Language language) {
  if (commandRunning_) return;
  SelectLanguage(language);
  WindowSettings::SetLanguageChoice(language);
}

// --- Ports -----------------------------------------------------------------

void TfrmMain::SetPortDescriber(PortDescriber describer) {
  portDescriber_ = std::move(describer);
  RefreshPortItems();
}

void TfrmMain::RefreshPortItems() {
  // The port of a running operation is open: a probe would only see it busy.
  if (commandRunning_) return;
  portFacts_.clear();
  for (int i = 0; i < cbPort->count(); ++i) portFacts_.push_back(portDescriber_(i + 1));
  ShowPortItems();
}

void TfrmMain::ShowPortItems() {
  for (int i = 0; i < cbPort->count() && i < static_cast<int>(portFacts_.size()); ++i)
    cbPort->setItemText(i, ToQString(PortItemText(portFacts_[static_cast<std::size_t>(i)], CurrentLanguage())));
}

void TfrmMain::ExplainPortOpenFailure(bool parametersTab) {
  const PortFacts facts = portDescriber_(CurrentPort().comNumber);
  const std::string line = PortOpenFailureLine(facts, CurrentLanguage(), link_->LastOpenError());
  host_->AddLogLine(line);
  if (parametersTab) Edit3->setToolTip(ToQString(line));
}

void TfrmMain::RememberPortChoice() {
  WindowSettings::SetPortIndex(cbPort->currentIndex());
  WindowSettings::SetSpeed(SpeedOf(RadioButton1, RadioButton2));
}

void TfrmMain::RestoreRememberedChoices() {
  if (const std::optional<int> index = WindowSettings::PortIndex()) {
    const QSignalBlocker quiet(cbPort);
    cbPort->setCurrentIndex(*index);
  }
  if (const std::optional<int> baud = WindowSettings::Speed()) {
    QRadioButton* speed = *baud == 9600 ? RadioButton1 : *baud == 19200 ? RadioButton2 : RadioButton3;
    const QSignalBlocker quiet(speed);
    speed->setChecked(true);
  }
  // English is what start-up applies; only another language needs applying.
  const std::optional<Language> language = WindowSettings::LanguageChoice();
  if (language && *language != kStartupLanguage) SelectLanguage(*language);
}

// --- Running state ---------------------------------------------------------

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
}

// --- Files -----------------------------------------------------------------

bool TfrmMain::OpenFirmwareFile(const QString& path) {
  if (commandRunning_) return false;
  const QFileInfo file(path);
  if (!file.isFile() || !file.isReadable()) {
    host_->AddLogLine(messages_.Text(MessageRole::msgFileReadError));
    host_->AddLogLine(ToStdString(QDir::toNativeSeparators(file.absoluteFilePath())));
    return false;
  }
  ChooseFirmwareFile(file.absoluteFilePath());
  return true;
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!commandRunning_ && !DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
  const QString path = DraggedFile(event->mimeData());
  if (path.isEmpty()) return;
  bool opened = false;
  guard_->Run([&] { opened = OpenFirmwareFile(path); });
  if (opened) event->acceptProposedAction();
}

// --- About -----------------------------------------------------------------

QString TfrmMain::AboutText() const {
  return ToQString(canalarm::AboutText(CurrentLanguage(), ToStdString(QApplication::applicationVersion()),
                                       messages_.BrandWebAddress()));
}

void TfrmMain::ShowAbout() {
  aboutPresenter_(ToQString(Text(CurrentLanguage(), WindowText::About)), AboutText());
}

// --- Log -------------------------------------------------------------------

void TfrmMain::CopyLog() { QGuiApplication::clipboard()->setText(meLog->toPlainText()); }

bool TfrmMain::SaveLog(const QString& path) {
  QSaveFile file(path);
  QByteArray text = meLog->toPlainText().toUtf8();
  if (!text.isEmpty()) text += '\n';
  if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) return true;
  host_->AddLogLine(FillIn(Text(CurrentLanguage(), WindowText::SaveLogFailed),
                           ToStdString(QDir::toNativeSeparators(path))));
  return false;
}

void TfrmMain::ShowLogMenu(const QPoint& position) {
  const Language language = CurrentLanguage();
  QMenu menu(meLog);
  menu.setObjectName(QStringLiteral("LogMenu"));
  menu.addAction(ToQString(Text(language, WindowText::CopyAll)), this,
                 [this] { guard_->Run([this] { CopyLog(); }); });
  menu.addAction(ToQString(Text(language, WindowText::SaveAs)), this, [this] {
    guard_->Run([this] {
      const QString path = saveChooser_(this, WindowSettings::LastFolder());
      if (!path.isEmpty()) SaveLog(path);
    });
  });
  menu.addSeparator();
  menu.addAction(ToQString(Text(language, WindowText::About)), this,
                 [this] { guard_->Run([this] { ShowAbout(); }); });
  menu.exec(meLog->viewport()->mapToGlobal(position));
}

// --- Help window -----------------------------------------------------------

QPoint TfrmMain::HelpPosition(const QRect& main, const QSize& help, const QRect& screen) {
  constexpr int kGap = 8;
  if (!screen.isValid()) return {main.right() + 1 + kGap, main.top()};
  const int roomRight = screen.right() - main.right();
  const int roomLeft = main.left() - screen.left();
  int x = roomRight >= help.width() + kGap || roomRight >= roomLeft ? main.right() + 1 + kGap
                                                                      : main.left() - kGap - help.width();
  int y = main.top();
  // Kept whole on the screen where it fits; its top-left corner in any case.
  x = std::max(screen.left(), std::min(x, screen.right() + 1 - help.width()));
  y = std::max(screen.top(), std::min(y, screen.bottom() + 1 - help.height()));
  return {x, y};
}

}  // namespace canalarm::ui

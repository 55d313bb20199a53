// SPDX-License-Identifier: MIT
// The firmware file: the open button and its dialog, which starts in the
// last file's folder, a file dropped on the window or named on the command
// line, and the help lines the file carries.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCompleter>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

#include "firmware/HelpText.h"
#include "firmware/TextEncoding.h"
#include "ui/ControlCaption.h"
#include "ui/HandlerGuard.h"
#include "ui/QtText.h"
#include "ui/TForm1.h"
#include "ui/TfrmMain.h"
#include "ui/WindowLinkHost.h"
#include "ui/WindowSettings.h"

namespace canalarm::ui {

namespace {

// The one local file of a drag, or nothing.
QString DraggedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().constFirst();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

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

void TfrmMain::ChooseFirmwareFile(const QString& path) {
  WindowSettings::SetLastFolder(QFileInfo(path).absolutePath());
  shared_.firmwareFileName = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
  bbUpload->setEnabled(true);
  Button3->setEnabled(true);
  meLog->clear();
  Edit2->setText(QFileInfo(path).fileName());
}

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
  help_->ShowHelp(CaptionOf(this, QStringLiteral("Button3")), text, this);
}

}  // namespace canalarm::ui

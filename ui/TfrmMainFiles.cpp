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
#include <memory>

#include "firmware/FirmwareLoad.h"
#include "firmware/HelpText.h"
#include "firmware/LoadSummary.h"
#include "firmware/TextLineReader.h"
#include "texts/WindowTexts.h"
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
  if (!MayOpenDialog()) return;
  const bool decode = DecodeON->isChecked();
  const Language language = CurrentLanguage();
  // The kind the upload reads first, then the other, then everything.
  QStringList filters{ToQString(Text(language, WindowText::FilterHexfw)),
                      ToQString(Text(language, WindowText::FilterHex))};
  if (!decode) filters.swapItemsAt(0, 1);
  filters << ToQString(Text(language, WindowText::FilterAll));
  odOpen->setNameFilters(filters);
  odOpen->selectNameFilter(filters.constFirst());
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

bool TfrmMain::ChooseFirmwareFile(const QString& path) {
  WindowSettings::SetLastFolder(QFileInfo(path).absolutePath());
  // The core takes file names in UTF-8 (on Windows the local 8-bit form is
  // the ANSI code page, which cannot hold every name).
  const std::string fileName = ToStdString(QFileInfo(path).absoluteFilePath());
  // Read as the upload will: a file it would refuse is refused now, with
  // the reason, rather than after the fitter has connected the module.
  const bool decode = DecodeON->isChecked();
  auto images = std::make_unique<FirmwareImages>();
  LoadResult load;
  try {
    load = LoadFirmware(fileName, decode, *images);
  } catch (const FileInputError&) {
    load.outcome = LoadOutcome::CannotOpen;
  }
  const Language language = CurrentLanguage();
  meLog->clear();
  if (load.outcome != LoadOutcome::Loaded) {
    host_->AddLogLine(FillIn(Text(language, WindowText::FileRefused), DescribeLoad(load, decode)),
                      LineKind::Failure);
    host_->AddLogLine(ToStdString(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
    return false;
  }
  shared_.firmwareFileName = fileName;
  bbUpload->setEnabled(true);
  Button3->setEnabled(true);
  Edit2->setText(QFileInfo(path).fileName());
  auto extent = [](std::int32_t highest, int digits) {
    return highest < 0 ? std::string("\u2014") : ImageAddress(highest, digits);
  };
  host_->AddLogLine(FillIn(Text(language, WindowText::FileHolds), extent(images->highestFlash, 4),
                           extent(images->highestEeprom, 2)));
  if (const std::optional<std::string> version = FileVersionText(*images))
    host_->AddLogLine(FillIn(Text(language, WindowText::FileVersion), *version));
  // The next step is the write.
  if (commandRunning_) {
    focusAfter_ = bbUpload;
  } else {
    bbUpload->setFocus(Qt::OtherFocusReason);
  }
  return true;
}

bool TfrmMain::OpenFirmwareFile(const QString& path) {
  if (commandRunning_) return false;
  const QFileInfo file(path);
  if (!file.isFile() || !file.isReadable()) {
    host_->AddLogLine(messages_.Text(MessageRole::msgFileReadError));
    host_->AddLogLine(ToStdString(QDir::toNativeSeparators(file.absoluteFilePath())));
    return false;
  }
  return ChooseFirmwareFile(file.absoluteFilePath());
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
  if (!MayOpenDialog()) return;
  const auto lines = ReadHelpLines(shared_.firmwareFileName, DecodeON->isChecked());
  if (!lines) {
    host_->AddLogLine(messages_.Text(MessageRole::msgFileReadError), LineKind::Failure);
    return;
  }
  if (lines->empty()) {
    host_->AddLogLine(Text(CurrentLanguage(), WindowText::NoHelpText), LineKind::Warning);
    return;
  }
  const CodePage codePage =
      CurrentLanguage() == Language::Russian ? CodePage::Windows1251 : CodePage::Windows1250;
  QStringList text;
  for (const std::string& line : *lines) text << ToQString(HelpLineToUtf8(line, codePage));
  help_->ShowHelp(CaptionOf(this, QStringLiteral("Button3")), text, this);
}

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// The log and About: the log's menu (copy all, save as, About), saving the
// log to a file, the hidden dump's Clear button, and the About box.
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>

#include "texts/WindowTexts.h"
#include "ui/HandlerGuard.h"
#include "ui/QtText.h"
#include "ui/TfrmMain.h"
#include "ui/WindowLinkHost.h"
#include "ui/WindowSettings.h"

namespace canalarm::ui {

void TfrmMain::ClearClick() { Memo1->clear(); }

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

QString TfrmMain::RunSaveDialog(QWidget* parent, const QString& suggested) {
  return QFileDialog::getSaveFileName(parent, QString(), suggested, QStringLiteral("*.txt"));
}

QString TfrmMain::SuggestedLogName(const QDateTime& now) const {
  return ToQString(Text(CurrentLanguage(), WindowText::LogFilePrefix)) + QLatin1Char('-') +
         now.toString(QStringLiteral("yyyy-MM-dd-HHmm")) + QStringLiteral("-COM%1.txt").arg(CurrentPort().comNumber);
}

bool TfrmMain::ShowLogMenuAt(const QPoint& globalPosition) {
  if (!MayOpenDialog()) return false;
  const Language language = CurrentLanguage();
  QMenu menu(meLog);
  menu.setObjectName(QStringLiteral("LogMenu"));
  menu.addAction(ToQString(Text(language, WindowText::CopyAll)), this,
                 [this] { guard_->Run([this] { CopyLog(); }); });
  menu.addAction(ToQString(Text(language, WindowText::SaveAs)), this, [this] {
    guard_->Run([this] {
      if (!MayOpenDialog()) return;
      QString folder = WindowSettings::LastFolder();
      if (folder.isEmpty()) folder = QDir::homePath();
      const QString path =
          saveChooser_(this, QDir(folder).filePath(SuggestedLogName(QDateTime::currentDateTime())));
      if (!path.isEmpty()) SaveLog(path);
    });
  });
  menu.addSeparator();
  menu.addAction(ToQString(Text(language, WindowText::About)), this,
                 [this] { guard_->Run([this] { ShowAbout(); }); });
  menu.exec(globalPosition);
  return true;
}

bool TfrmMain::ShowWindowMenuAt(const QPoint& globalPosition) {
  if (!MayOpenDialog()) return false;
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("WindowMenu"));
  menu.addActions(actions());
  menu.exec(globalPosition);
  return true;
}

void TfrmMain::ShowAbout() {
  if (!MayOpenDialog()) return;
  const Language language = CurrentLanguage();
  aboutPresenter_(ToQString(Text(language, WindowText::About)),
                  ToQString(AboutText(language, ToStdString(QApplication::applicationVersion()),
                                      messages_.BrandWebAddress())));
}

void TfrmMain::PresentAbout(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("AboutBox"));
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.exec();
}

}  // namespace canalarm::ui

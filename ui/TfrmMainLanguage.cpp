// SPDX-License-Identifier: MIT
// Language and brand: the hidden language buttons and the language list,
// the captions and messages a language change writes, the brand it shows
// (title, logo, web address) and the language remembered from run to run.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <stdexcept>

#include "texts/WindowTexts.h"
#include "ui/Accelerators.h"
#include "ui/ControlCaption.h"
#include "ui/QtText.h"
#include "ui/TImage.h"
#include "ui/TfrmMain.h"
#include "ui/WindowLinkHost.h"
#include "ui/WindowSettings.h"

namespace canalarm::ui {

Language TfrmMain::CurrentLanguage() const {
  return LanguageFromCode(languageCode_).value_or(kStartupLanguage);
}

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
  LoadQtTranslation(*language);
  ApplyCaptions(CaptionGroup::TabPages, *language);
  messages_.Refill(*language);
  // Groups (4) and (5) get their FI form whatever the mode; the mode
  // handlers turn it into FA on the next change.
  ApplyCaptions(CaptionGroup::ParametersTab, *language);
  // The language list, its label, the About texts and the port list
  // follow the language too.
  lblLanguage->setText(CaptionOf(this, QStringLiteral("RadioGroup1")));
  btnAbout->setToolTip(ToQString(Text(*language, WindowText::About)));
  findChild<QAction*>(QStringLiteral("actAbout"))->setText(ToQString(Text(*language, WindowText::About)));
  if (cbLanguage->currentIndex() != static_cast<int>(LanguageIndex(*language))) {
    const QSignalBlocker quiet(cbLanguage);
    cbLanguage->setCurrentIndex(static_cast<int>(LanguageIndex(*language)));
  }
  ShowPortItems();
  for (int page = 0; page < PageControl1->count(); ++page) AssignAccelerators(PageControl1->widget(page));
  ShowNothingRead();
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

void TfrmMain::ShowStartBrand() {
  // English chosen in the window shows what a start shows, however it is
  // reached (a start, a remembered language, a switch back): the neutral
  // title and no logo. The web address stays the brand list's.
  for (BrandVariant variant : kAllBrandVariants)
    findChild<TImage*>(ToQString(Brand(variant).logo))->hide();
  SetTitle(QString::fromLatin1(kStartTitle));
}

void TfrmMain::SetTitle(const QString& title) {
  // The platform appends the display name to a title that does not end
  // with it, at the moment the title is set: the name goes first.
  QGuiApplication::setApplicationDisplayName(title);
  if (windowTitle() == title) setWindowTitle(QString());  // apply it afresh
  setWindowTitle(title);
}

void TfrmMain::LoadQtTranslation(Language language) {
  // Qt's own dialogs (the file dialog's buttons and labels) in the window's
  // language; English needs none.
  QCoreApplication::removeTranslator(qtTranslator_.get());
  if (language == Language::English) return;
  // A Windows program carries them in its own folder (Qt's prefix is then
  // the folder above it); an installed Qt keeps them in its prefix.
  const QString name = QStringLiteral("qtbase_") + ToQString(QtLanguageCode(language));
  for (const QString& folder : {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
    if (qtTranslator_->load(name, folder)) {
      QCoreApplication::installTranslator(qtTranslator_.get());
      return;
    }
  }
}

void TfrmMain::LOGOClick() { urlOpener_(ToQString(messages_.BrandWebAddress())); }

void TfrmMain::SelectLanguage(Language language) {
  auto* button = findChild<QRadioButton*>(ToQString(LanguageRadioButton(language)));
  if (button->isChecked()) {
    RadioGroup1Click();  // checked already: no toggle would run it
  } else {
    button->setChecked(true);  // runs RadioGroup1Click
  }
  if (language == Language::English) ShowStartBrand();
}

void TfrmMain::ChooseLanguage(Language language) {
  if (commandRunning_) return;
  SelectLanguage(language);
  WindowSettings::SetLanguageChoice(language);
}

void TfrmMain::RestoreLanguageChoice() {
  // English is what start-up applies; only another language needs applying.
  const std::optional<Language> language = WindowSettings::LanguageChoice();
  if (language && *language != kStartupLanguage) SelectLanguage(*language);
}

}  // namespace canalarm::ui

// SPDX-License-Identifier: MIT
// Language and brand in the window: every language applied by its code, its
// hidden radio button or the language list, the language remembered from run
// to run, and the brand each choice shows. The brand rule itself is
// tested in tests/texts; here its wiring: which controls feed it and what
// it changes in the window.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QStyleOptionGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTimer>
#include <optional>
#include <utility>

#include "WindowTestSupport.h"
#include "texts/BrandVariants.h"
#include "texts/LanguageTables.h"

using namespace canalarm;
using namespace canalarm::test;

Q_DECLARE_METATYPE(canalarm::Language)

namespace {

// A control's caption and the width the style leaves it, for options and
// single-line labels; nothing for any other control.
std::optional<std::pair<QString, int>> CaptionRoom(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) {
    if (label->wordWrap() || label->text().isEmpty()) return std::nullopt;
    return std::pair{label->text(), label->contentsRect().width() - 2 * label->margin()};
  }
  const bool radio = qobject_cast<QRadioButton*>(control) != nullptr;
  auto* button = qobject_cast<QAbstractButton*>(control);
  if ((!radio && qobject_cast<QCheckBox*>(control) == nullptr) || button->text().isEmpty()) return std::nullopt;
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const QRect contents = button->style()->subElementRect(
      radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
  return std::pair{button->text(), contents.width()};
}

}  // namespace

class TestWindowLanguage : public QObject {
  Q_OBJECT

 private slots:
  // --- Languages ------------------------------------------------------------

  void appliesEveryLanguage_data() {
    QTest::addColumn<Language>("language");
    for (Language language : kAllLanguages)
      QTest::newRow(std::string(LanguageAbbreviation(language)).c_str()) << language;
  }
  void appliesEveryLanguage() {
    QFETCH(Language, language);
    WindowUnderTest w;
    w.window->zmiana_jezyka(canalarm::LanguageCode(language));
    QCOMPARE(w.window->LanguageCode(), canalarm::LanguageCode(language));
    ExpectLanguage(w, language);
    QVERIFY(w.errors.isEmpty());
  }

  // A group's title is drawn clipped to the box the style gives it: an
  // accent above the font's ascent ("Č") was cut off at normal size.
  void groupTitlesFitTheirBoxWithTheirAccents_data() { appliesEveryLanguage_data(); }
  void groupTitlesFitTheirBoxWithTheirAccents() {
    QFETCH(Language, language);
    WindowUnderTest w;
    w.window->zmiana_jezyka(canalarm::LanguageCode(language));
    int checked = 0;
    for (QGroupBox* box : w.window->findChildren<QGroupBox*>()) {
      if (box->title().isEmpty()) continue;
      QStyleOptionGroupBox option;
      option.initFrom(box);
      option.text = box->title();
      option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
      const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
      const QFontMetrics metrics = box->fontMetrics();
      // The line is centred in the box; the ink reaches tight.top() above
      // the baseline.
      const QRect ink = metrics.tightBoundingRect(Unmarked(box->title()));
      const int baseline = label.top() + (label.height() - metrics.height()) / 2 + metrics.ascent();
      QVERIFY2(baseline + ink.top() >= label.top() && label.top() >= 0,
               qPrintable(QStringLiteral("%1 \"%2\": ink from %3, box from %4")
                              .arg(box->objectName(), box->title())
                              .arg(baseline + ink.top())
                              .arg(label.top())));
      ++checked;
    }
    QVERIFY(checked > 10);
  }

  // Every option's and label's caption is whole at the window's first size,
  // in every language. Where text is drawn wider than here (Windows fits
  // each glyph to whole pixels), the window is wider from the start.
  void captionsAreWholeAtTheFirstSize_data() { appliesEveryLanguage_data(); }
  void captionsAreWholeAtTheFirstSize() {
    QFETCH(Language, language);
    WindowUnderTest w;
    w.window->zmiana_jezyka(canalarm::LanguageCode(language));
    auto* tabs = w.Find<QTabWidget>("PageControl1");
    int checked = 0;
    QStringList cut;
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (QWidget* control : tabs->widget(page)->findChildren<QWidget*>()) {
        if (!control->isVisible()) continue;
        const auto room = CaptionRoom(control);
        if (!room) continue;
        ++checked;
        // A trailing space takes room but draws nothing.
        const QString caption = Unmarked(room->first).trimmed();
        const int needed = control->fontMetrics().horizontalAdvance(caption);
        if (room->second < needed)
          cut << QStringLiteral("%1 \"%2\": %3 of %4 px").arg(control->objectName(), caption).arg(room->second).arg(needed);
      }
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    QVERIFY2(checked > 25, qPrintable(QString::number(checked)));
  }

  void codeOutsideTheLanguagesChangesNothing_data() {
    QTest::addColumn<char>("code");
    QTest::newRow("7") << '7';
    QTest::newRow("9") << '9';
    QTest::newRow("slash") << '/';
    QTest::newRow("letter") << 'a';
    QTest::newRow("nul") << '\0';
  }
  void codeOutsideTheLanguagesChangesNothing() {
    QFETCH(char, code);
    WindowUnderTest w;
    w.window->zmiana_jezyka('2');
    const QString title = w.window->windowTitle();
    const QStringList logos = VisibleLogos(w);
    w.window->zmiana_jezyka(code);
    QCOMPARE(w.window->LanguageCode(), '2');
    ExpectLanguage(w, Language::German);
    QCOMPARE(w.window->windowTitle(), title);
    QCOMPARE(VisibleLogos(w), logos);
  }

  void languageButtonsChooseTheLanguage_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<char>("code");
    QTest::newRow("lang1 Polish") << "lang1" << '0';
    QTest::newRow("lang3 German") << "lang3" << '2';
    QTest::newRow("lang7 Hungarian") << "lang7" << '6';
    QTest::newRow("lang8 keeps English") << "lang8" << '1';
  }
  void languageButtonsChooseTheLanguage() {
    QFETCH(QString, button);
    QFETCH(char, code);
    WindowUnderTest w;
    w.Button(button.toLatin1().constData())->setChecked(true);
    QCOMPARE(w.window->LanguageCode(), code);
    ExpectLanguage(w, *LanguageFromCode(code));
  }

  // --- The language list ----------------------------------------------------

  void languageListNamesEachLanguageInItself() {
    WindowUnderTest w;
    auto* list = w.Find<QComboBox>("cbLanguage");
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->itemText(i);
    QCOMPARE(names, (QStringList{QStringLiteral("Polski"), QStringLiteral("English"),
                                 QStringLiteral("Deutsch"), QStringLiteral("Русский"),
                                 QStringLiteral("Slovenčina"), QStringLiteral("Čeština"),
                                 QStringLiteral("Magyar")}));
    QVERIFY(list->isVisibleTo(w.window.get()));
    QCOMPARE(list->currentText(), QStringLiteral("English"));
    // Its label is the language group's caption, in the language shown.
    QCOMPARE(Unmarked(w.Find<QLabel>("lblLanguage")->text()), QStringLiteral("Language"));
  }

  // The list runs the language routine: its hidden button, every caption and
  // message, the brand and the list's own label.
  void choosingALanguageRunsTheLanguageRoutine_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<BrandVariant>("brand");
    QTest::newRow("pl") << Language::Polish << BrandVariant::Selmo;
    QTest::newRow("cz") << Language::Czech << BrandVariant::Korra;
  }
  void choosingALanguageRunsTheLanguageRoutine() {
    QFETCH(Language, language);
    QFETCH(BrandVariant, brand);
    WindowUnderTest w;
    ChooseInList(w, language);
    QCOMPARE(w.window->LanguageCode(), LanguageCode(language));
    QVERIFY(w.Checked(LanguageRadioButton(language)));
    ExpectLanguage(w, language);
    QCOMPARE(w.window->windowTitle(), Q(Brand(brand).title));
    QCOMPARE(Q(w.window->Messages().BrandWebAddress()), Q(Brand(brand).webAddress));
    QVERIFY(!w.Find(Brand(brand).logo.data())->isHidden());
    QCOMPARE(Unmarked(w.Find<QLabel>("lblLanguage")->text()), Q(Caption(language, "RadioGroup1")));
  }

  void theChoiceIsRememberedForTheNextStart() {
    {
      WindowUnderTest first;
      QCOMPARE(first.window->LanguageCode(), '1');  // first start: English
      ChooseInList(first, Language::Czech);
    }
    WindowUnderTest second(/*keepSettings=*/true);
    QCOMPARE(second.window->LanguageCode(), '5');
    QCOMPARE(CaptionSeen(second.window.get(), "bbOpen"), QStringLiteral("Otevřít soubor"));
    QCOMPARE(second.Find<QComboBox>("cbLanguage")->currentText(), QStringLiteral("Čeština"));
    QCOMPARE(second.window->windowTitle(), Q(Brand(BrandVariant::Korra).title));
    // A language applied for one run only (the command line) is not remembered.
    second.window->SelectLanguage(Language::German);
    WindowUnderTest third(/*keepSettings=*/true);
    QCOMPARE(third.window->LanguageCode(), '5');
  }

  void theLanguageListIsNotOfferedDuringAnOperation() {
    WindowUnderTest w;
    bool checked = false;
    QTimer::singleShot(0, [&] {
      ChooseInList(w, Language::German);  // ignored while the read runs
      checked = true;
    });
    w.Button("BitBtn2")->click();
    QVERIFY(checked);
    QCOMPARE(w.window->LanguageCode(), '1');
  }

  // --- Brand ------------------------------------------------------------------

  // English takes the brand list's item: title, application name, address
  // and the one logo shown follow it.
  void englishShowsTheBrandOfTheListsItem() {
    WindowUnderTest w;
    w.Find<QComboBox>("logo1")->setCurrentIndex(3);
    w.window->zmiana_jezyka('1');
    const BrandInfo& korra = Brand(BrandVariant::Korra);
    QCOMPARE(w.window->windowTitle(), Q(korra.title));
    QCOMPARE(QGuiApplication::applicationDisplayName(), Q(korra.title));
    QCOMPARE(Q(w.window->Messages().BrandWebAddress()), Q(korra.webAddress));
    QCOMPARE(VisibleLogos(w), QStringList{Q(korra.logo)});
  }

  // English chosen in the window looks as a start looks, however it is
  // reached: the neutral title alone and no logo.
  void englishLooksTheSameOnEveryPath_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("first start") << QStringLiteral("start");
    QTest::newRow("back from Polish") << QStringLiteral("switch");
    QTest::newRow("restart, English remembered") << QStringLiteral("restart-en");
    QTest::newRow("restart in Polish, then English") << QStringLiteral("restart-pl");
  }
  void englishLooksTheSameOnEveryPath() {
    QFETCH(QString, path);
    ForgetWindowSettings();
    if (path.startsWith(QStringLiteral("restart"))) {
      WindowUnderTest earlier;
      ChooseInList(earlier, Language::Polish);
      if (path == QStringLiteral("restart-en")) ChooseInList(earlier, Language::English);
    }
    WindowUnderTest w(/*keepSettings=*/true);
    if (path == QStringLiteral("switch")) ChooseInList(w, Language::Polish);
    if (path != QStringLiteral("start") && path != QStringLiteral("restart-en")) ChooseInList(w, Language::English);
    QCOMPARE(w.window->LanguageCode(), '1');
    QCOMPARE(w.window->windowTitle(), QStringLiteral("CAN Alarm Bootloader"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("CAN Alarm Bootloader"));
    QCOMPARE(VisibleLogos(w), QStringList());
  }

  // The platform appends the application's display name to a title that
  // does not end with it, when the title is set: at every title change the
  // display name is the new title already, so the brand's title stands alone.
  void theTitleStandsAlone() {
    WindowUnderTest w;
    QStringList seen;
    struct Watch : QObject {
      QStringList* seen;
      bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::WindowTitleChange) {
          const QString title = static_cast<QWidget*>(object)->windowTitle();
          if (!title.isEmpty() && title != QGuiApplication::applicationDisplayName())
            *seen << title + QStringLiteral(" / ") + QGuiApplication::applicationDisplayName();
        }
        return false;
      }
    } watch;
    watch.seen = &seen;
    w.window->installEventFilter(&watch);
    for (Language language : {Language::Polish, Language::German, Language::English, Language::Russian,
                              Language::Slovak, Language::English})
      ChooseInList(w, language);
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join('\n')));
  }

  // Qt's own dialogs follow the window's language.
  void qtsOwnTextsFollowTheLanguage_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("pl") << Language::Polish << QStringLiteral("Anuluj");
    QTest::newRow("de") << Language::German << QStringLiteral("Abbrechen");
    QTest::newRow("cz") << Language::Czech << QStringLiteral("Zrušit");
    QTest::newRow("en") << Language::English << QStringLiteral("Cancel");
  }
  void qtsOwnTextsFollowTheLanguage() {
    QFETCH(Language, language);
    QFETCH(QString, cancel);
    WindowUnderTest w;
    ChooseInList(w, Language::Hungarian);
    ChooseInList(w, language);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
  }

  // Polish takes the dravon box; the logo shown before is hidden again.
  void polishMovesToDravonWhenTheBoxIsChecked() {
    WindowUnderTest w;
    w.window->zmiana_jezyka('0');
    QCOMPARE(VisibleLogos(w), QStringList{QStringLiteral("Selmo_image")});
    w.Button("dravon")->setChecked(true);
    w.window->zmiana_jezyka('0');
    QCOMPARE(VisibleLogos(w), QStringList{QStringLiteral("Dravon_image")});
    QCOMPARE(w.window->windowTitle(), Q(Brand(BrandVariant::Dravon).title));
  }

  void logosCarryTheirAddressAndOpenTheCurrentOne() {
    WindowUnderTest w;
    QStringList opened;
    w.window->SetUrlOpener([&opened](const QString& address) { opened << address; });
    for (BrandVariant variant : kAllBrandVariants) {
      auto* logo = w.Find(Brand(variant).logo.data());
      QCOMPARE(logo->toolTip(), Q(Brand(variant).webAddress));
      QCOMPARE(logo->cursor().shape(), Qt::PointingHandCursor);
    }
    w.window->zmiana_jezyka('6');
    auto* korra = w.Find(Brand(BrandVariant::Korra).logo.data());
    QTest::mouseClick(korra, Qt::LeftButton);
    QCOMPARE(opened, QStringList{Q(Brand(BrandVariant::Korra).webAddress)});
  }
};

QTEST_MAIN(TestWindowLanguage)
#include "test_window_language.moc"

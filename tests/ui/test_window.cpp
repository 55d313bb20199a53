// SPDX-License-Identifier: MIT
// The main window's start state, its languages and its brand variants.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

#include "WindowTestSupport.h"
#include "params/ParameterBlock.h"
#include "texts/BrandVariants.h"
#include "texts/LanguageTables.h"

using namespace canalarm;
using namespace canalarm::test;

Q_DECLARE_METATYPE(canalarm::BrandVariant)

class TestWindow : public QObject {
  Q_OBJECT

 private:
  // Every caption and message of the window equals the table's for `language`.
  static void ExpectLanguage(const WindowUnderTest& w, Language language) {
    for (const CaptionRow& row : AllCaptions())
      QCOMPARE(CaptionSeen(w.window.get(), row.control), Q(row.Text(language)));
    for (MessageRole role : kAllMessageRoles)
      QCOMPARE(Q(w.window->Messages().Text(role)), Q(Message(language, role)));
  }

  static QStringList VisibleLogos(const WindowUnderTest& w) {
    QStringList visible;
    for (BrandVariant variant : kAllBrandVariants) {
      const char* name = Brand(variant).logo.data();
      if (!w.Find(name)->isHidden()) visible << QString::fromLatin1(name);
    }
    return visible;
  }

 private slots:
  void startsInEnglishWithoutLogoAndWithCommandsDisabled() {
    WindowUnderTest w;
    QCOMPARE(w.window->windowTitle(), QStringLiteral("CAN Alarm Bootloader"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("CAN Alarm Bootloader"));
    QCOMPARE(w.window->LanguageCode(), '1');
    ExpectLanguage(w, Language::English);
    QVERIFY(VisibleLogos(w).isEmpty());
    QVERIFY(!w.Button("bbUpload")->isEnabled());
    QVERIFY(!w.Button("Button3")->isEnabled());
    QVERIFY(!w.Button("BitBtn1")->isEnabled());
    QVERIFY(w.Button("bbOpen")->isEnabled());
    QVERIFY(w.Button("BitBtn2")->isEnabled());
    // The brand list is on item 1, so the address is that of variant 2.
    QCOMPARE(w.Find<QComboBox>("logo1")->currentIndex(), 1);
    QCOMPARE(Q(w.window->Messages().BrandWebAddress()), Q(Brand(BrandVariant::Dravon).webAddress));
    QCOMPARE(w.window->size(), QSize(ui::TfrmMain::kClientWidth, ui::TfrmMain::kClientHeight));
  }

  void startsWithTheDesignDefaults() {
    WindowUnderTest w;
    QVERIFY(w.Checked("RadioButton1"));
    QCOMPARE(w.Find<QComboBox>("cbPort")->count(), 12);
    // Item index + 1 is the port number; the rest of the text describes it.
    for (int i = 0; i < 12; ++i)
      QVERIFY(w.Find<QComboBox>("cbPort")->itemText(i).startsWith(QStringLiteral("COM%1 ").arg(i + 1)));
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), QStringLiteral("11"));
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("    "));
    QVERIFY(w.Checked("lang9"));
    auto* ticker = w.Find<QTimer>("TimeoutTicker");
    QCOMPARE(ticker->interval(), 50);
    QVERIFY(!ticker->isActive());
    QVERIFY(w.window->findChild<QFileDialog*>(QStringLiteral("odOpen")) != nullptr);
    // Hidden options, as the upload and the link read them.
    for (const char* on : {"EEPROM", "DecodeON", "All_memory"}) QVERIFY2(w.Checked(on), on);
    for (const char* off : {"PICencoding", "DeviceID", "Encoding_OFF", "Flash_size", "dravon"})
      QVERIFY2(!w.Checked(off), off);
    for (const char* hidden : {"EEPROM", "Edit1", "Memo1", "RadioGroup1", "lang1", "logo1", "LOGO"})
      QVERIFY2(!w.Find(hidden)->isVisibleTo(w.window.get()), hidden);
    // The first radio button of every option group is checked.
    for (const OptionSwitch& option : OptionSwitches()) {
      if (option.controlForZero.empty()) QVERIFY(!w.Checked(option.controlForOne));
    }
    for (const char* first : {"RadioButton4", "RadioButton6", "RadioButton8", "RadioButton22",
                              "RadioButton10", "RadioButton12", "RadioButton14", "RadioButton16",
                              "RadioButton20", "RadioButton18"})
      QVERIFY2(w.Checked(first), first);
  }

  void portAndSpeedComeFromTheControls() {
    WindowUnderTest w;
    QCOMPARE(w.window->CurrentPort().comNumber, 1);
    QCOMPARE(w.window->CurrentPort().baud, 9600);
    w.Find<QComboBox>("cbPort")->setCurrentIndex(11);
    w.Button("RadioButton2")->setChecked(true);
    QCOMPARE(w.window->CurrentPort().comNumber, 12);
    QCOMPARE(w.window->CurrentPort().baud, 19200);
    w.Button("RadioButton3")->setChecked(true);
    QCOMPARE(w.window->CurrentPort().baud, 38400);
  }

  void appliesEveryLanguage_data() {
    QTest::addColumn<int>("language");
    for (Language language : kAllLanguages)
      QTest::newRow(std::string(LanguageAbbreviation(language)).c_str()) << static_cast<int>(language);
  }
  void appliesEveryLanguage() {
    QFETCH(int, language);
    const auto lang = static_cast<Language>(language);
    WindowUnderTest w;
    w.window->zmiana_jezyka(canalarm::LanguageCode(lang));
    QCOMPARE(w.window->LanguageCode(), canalarm::LanguageCode(lang));
    ExpectLanguage(w, lang);
    QVERIFY(w.errors.isEmpty());
  }

  void germanKeepsTheEnglishReadingMessage() {
    WindowUnderTest w;
    w.window->zmiana_jezyka('2');
    QCOMPARE(Q(w.window->Messages().Text(MessageRole::msgReadingEeprom)),
             QStringLiteral("Reading EEPROM..."));
    QCOMPARE(Q(w.window->Messages().Text(MessageRole::msgDone)), QStringLiteral("Fertig"));
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

  // Which brand each language shows, as the window's brand rules say.
  void appliesTheBrandOfTheLanguage_data() {
    QTest::addColumn<char>("code");
    QTest::addColumn<bool>("dravon");
    QTest::addColumn<int>("brandList");
    QTest::addColumn<BrandVariant>("variant");
    QTest::addColumn<bool>("logoShown");
    QTest::newRow("PL") << '0' << false << 1 << BrandVariant::Selmo << true;
    QTest::newRow("PL dravon") << '0' << true << 1 << BrandVariant::Dravon << true;
    QTest::newRow("EN item 0") << '1' << false << 0 << BrandVariant::Selmo << true;
    QTest::newRow("EN item 1") << '1' << false << 1 << BrandVariant::Dravon << true;
    QTest::newRow("EN item 2") << '1' << false << 2 << BrandVariant::Ubrix << true;
    QTest::newRow("EN item 3") << '1' << true << 3 << BrandVariant::Korra << true;
    QTest::newRow("EN no item") << '1' << false << -1 << BrandVariant::Selmo << false;
    QTest::newRow("DE") << '2' << true << 0 << BrandVariant::Ubrix << true;
    QTest::newRow("RU") << '3' << false << 3 << BrandVariant::Selmo << true;
    QTest::newRow("SK") << '4' << false << 0 << BrandVariant::Korra << true;
    QTest::newRow("CZ") << '5' << false << 0 << BrandVariant::Korra << true;
    QTest::newRow("HU") << '6' << false << 0 << BrandVariant::Korra << true;
  }
  void appliesTheBrandOfTheLanguage() {
    QFETCH(char, code);
    QFETCH(bool, dravon);
    QFETCH(int, brandList);
    QFETCH(BrandVariant, variant);
    QFETCH(bool, logoShown);
    WindowUnderTest w;
    w.Button("dravon")->setChecked(dravon);
    w.Find<QComboBox>("logo1")->setCurrentIndex(brandList);
    w.window->zmiana_jezyka(code);
    const BrandInfo& brand = Brand(variant);
    QCOMPARE(w.window->windowTitle(), Q(brand.title));
    QCOMPARE(QGuiApplication::applicationDisplayName(), Q(brand.title));
    QCOMPARE(Q(w.window->Messages().BrandWebAddress()), Q(brand.webAddress));
    const QStringList expected = logoShown ? QStringList{Q(brand.logo)} : QStringList{};
    QCOMPARE(VisibleLogos(w), expected);
  }

  void polishMovesToDravonWhenTheBoxIsChecked() {
    WindowUnderTest w;
    w.window->zmiana_jezyka('0');
    QCOMPARE(VisibleLogos(w), QStringList{QStringLiteral("Selmo_image")});
    w.Button("dravon")->setChecked(true);
    w.window->zmiana_jezyka('0');
    QCOMPARE(VisibleLogos(w), QStringList{QStringLiteral("Dravon_image")});
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
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.window->zmiana_jezyka('6');
    auto* korra = w.Find(Brand(BrandVariant::Korra).logo.data());
    QTest::mouseClick(korra, Qt::LeftButton);
    QCOMPARE(opened, QStringList{Q(Brand(BrandVariant::Korra).webAddress)});
  }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"

// SPDX-License-Identifier: MIT
// The main window's life: its start state, its controls and defaults, and
// its size and layout as it grows.
#include <algorithm>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include "WindowTestSupport.h"
#include "params/ParameterBlock.h"
#include "texts/BrandVariants.h"
#include "ui/TTextProgressBar.h"

using namespace canalarm;
using namespace canalarm::test;

class TestWindow : public QObject {
  Q_OBJECT

 private slots:
  // Size, place and the maximised state come back at the next start.
  void sizeAndMaximisedStateAreRemembered() {
    {
      WindowUnderTest first;
      first.window->resize(700, 520);
      QTRY_COMPARE(first.window->size(), QSize(700, 520));
      QVERIFY(first.window->close());
    }
    {
      WindowUnderTest second(/*keepSettings=*/true);
      QCOMPARE(second.window->size(), QSize(700, 520));
      QVERIFY(!second.window->isMaximized());
      second.window->showMaximized();
      QTRY_VERIFY(second.window->isMaximized());
      QVERIFY(second.window->close());
    }
    WindowUnderTest third(/*keepSettings=*/true);
    QVERIFY(third.window->isMaximized());
    // Nothing remembered: the start size.
    WindowUnderTest fresh;
    QCOMPARE(fresh.window->size(), QSize(ui::TfrmMain::kClientWidth, ui::TfrmMain::kClientHeight));
  }

  // --- Start --------------------------------------------------------------------

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

  void startsWithItsDefaults() {
    WindowUnderTest w;
    QVERIFY(w.Checked("RadioButton1"));
    QCOMPARE(w.Find<QComboBox>("cbPort")->count(), 12);
    // Item index + 1 is the port number; the rest of the text describes it.
    for (int i = 0; i < 12; ++i)
      QVERIFY(w.Find<QComboBox>("cbPort")->itemText(i).startsWith(QStringLiteral("COM%1 ").arg(i + 1)));
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), QStringLiteral("11"));
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("    "));
    QVERIFY(w.Checked("lang9"));
    QCOMPARE(w.tickerIntervalMs, 50);
    QVERIFY(!w.Find<QTimer>("TimeoutTicker")->isActive());
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

  // --- Size -------------------------------------------------------------------

  void theWindowGrowsAndKeepsItsMinimum() {
    WindowUnderTest w;
    QCOMPARE(w.window->minimumSize(), QSize(ui::TfrmMain::kClientWidth, ui::TfrmMain::kClientHeight));
    QVERIFY(w.window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    auto* log = w.Find("meLog");
    const QSize logAtStart = log->size();
    w.window->resize(900, 700);
    QTRY_COMPARE(w.window->size(), QSize(900, 700));
    QVERIFY(log->width() > logAtStart.width() + 300);
    QVERIFY(log->height() > logAtStart.height() + 300);
    w.window->resize(200, 100);
    QTRY_VERIFY(w.window->width() >= ui::TfrmMain::kClientWidth);
    QVERIFY(w.window->height() >= ui::TfrmMain::kClientHeight);
  }

  void theParametersTabStaysTidyAtEverySize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("smallest") << QSize(456, 340);
    QTest::newRow("wide") << QSize(1000, 360);
    QTest::newRow("tall") << QSize(460, 800);
    QTest::newRow("large") << QSize(1400, 1000);
  }

  void theParametersTabStaysTidyAtEverySize() {
    QFETCH(QSize, size);
    WindowUnderTest w;
    auto* tabs = w.Find<QTabWidget>("PageControl1");
    tabs->setCurrentIndex(1);
    w.window->resize(size);
    QTRY_COMPARE(w.window->size(), size);
    QWidget* page = tabs->widget(1);
    // Room gained goes to the three columns alike: no column is more than
    // twice as wide as another (maximised, the middle one used to take it all).
    const int widths[] = {w.Find("GroupBox5")->width(), w.Find("GroupBox11")->width(),
                          w.Find("GroupBox4")->width()};
    const auto [narrowest, widest] = std::minmax_element(std::begin(widths), std::end(widths));
    if (size.width() >= 1000)
      QVERIFY2(*widest <= 2 * *narrowest, qPrintable(QStringLiteral("%1 %2 %3").arg(widths[0]).arg(widths[1]).arg(widths[2])));
    QList<QWidget*> boxes;
    for (QGroupBox* box : page->findChildren<QGroupBox*>()) boxes << box;
    boxes << w.Find("Edit3") << w.Find("ProgressBar1");
    for (QWidget* box : boxes) {
      const QRect r(box->mapTo(page, QPoint(0, 0)), box->size());
      QVERIFY2(page->rect().contains(r), qPrintable(box->objectName()));
      // No group is squeezed below what its contents need.
      QVERIFY2(box->height() >= box->minimumSizeHint().height(), qPrintable(box->objectName()));
      // Groups keep their natural height: a column does not stretch them.
      if (qobject_cast<QGroupBox*>(box) != nullptr)
        QVERIFY2(box->height() <= box->sizeHint().height() + 2,
                 qPrintable(QStringLiteral("%1 %2 > %3").arg(box->objectName()).arg(box->height()).arg(box->sizeHint().height())));
      for (QWidget* other : boxes) {
        if (other == box || other->isAncestorOf(box) || box->isAncestorOf(other)) continue;
        const QRect o(other->mapTo(page, QPoint(0, 0)), other->size());
        QVERIFY2(!r.intersects(o), qPrintable(box->objectName() + QLatin1Char('/') + other->objectName()));
      }
    }
  }

  void theBrandLogoKeepsItsRoomUnderTheLanguageList() {
    WindowUnderTest w;
    for (Language language : {Language::Polish, Language::German, Language::Slovak}) {
      ChooseInList(w, language);
      QApplication::processEvents();
      int shown = 0;
      for (BrandVariant variant : kAllBrandVariants) {
        auto* logo = w.Find<QLabel>(Brand(variant).logo.data());
        if (logo->isHidden()) continue;
        ++shown;
        QVERIFY2(logo->height() >= logo->pixmap().deviceIndependentSize().height(),
                 qPrintable(QStringLiteral("%1: %2").arg(logo->objectName()).arg(logo->height())));
        QVERIFY(logo->geometry().bottom() < logo->parentWidget()->height());
      }
      QCOMPARE(shown, 1);
    }
  }

  // The bar's text over an empty bar and over bars whose fill ends inside
  // the text: the pixels drawn in the text colour are the same, so no letter
  // is cut where the fill ends, in the window's bars too.
  void progressTextReadsWholeWhereverTheFillEnds() {
    WindowUnderTest w;
    auto* windowBar = w.Find<QProgressBar>("ProgressBar");
    auto textPixels = [&](int value) {
      ui::TTextProgressBar bar;
      bar.setAlignment(windowBar->alignment());
      bar.setFormat(QStringLiteral("53 \u00B7 zosta\u0142o 0:28"));
      // Large, bold and pure red, so that the glyphs' cores are exactly the text colour.
      QFont font = bar.font();
      font.setPixelSize(18);
      font.setBold(true);
      bar.setFont(font);
      QPalette palette = bar.palette();
      palette.setColor(QPalette::Text, Qt::red);
      bar.setPalette(palette);
      bar.setRange(0, 100);
      bar.setValue(value);
      bar.resize(300, 26);
      const QImage image = bar.grab().toImage();
      const QRgb text = bar.palette().color(QPalette::Text).rgb();
      QList<QPoint> pixels;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          if (image.pixel(x, y) == text) pixels << QPoint(x, y);
      return pixels;
    };
    QVERIFY(dynamic_cast<ui::TTextProgressBar*>(windowBar) != nullptr);
    QVERIFY(dynamic_cast<ui::TTextProgressBar*>(w.Find<QProgressBar>("ProgressBar1")) != nullptr);
    // 40, 50 and 60 end the fill inside the text.
    const QList<QPoint> empty = textPixels(0);
    QVERIFY(empty.size() > 50);
    for (int value : {40, 50, 60}) QCOMPARE(textPixels(value), empty);
  }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"

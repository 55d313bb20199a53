// SPDX-License-Identifier: MIT
// The window's additions for the fitter: the language list and its memory,
// the command line, the running state of the controls, the progress text,
// resizing, dropped files, the file dialog's folder, About, the help
// window's place and code page, and the log's menu.
#include <QApplication>
#include <QScreen>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QAbstractItemView>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "WindowTestSupport.h"
#include "texts/BrandVariants.h"
#include "ui/TForm1.h"
#include "ui/WindowLinkHost.h"
#include "texts/WindowTexts.h"

using namespace canalarm;
using namespace canalarm::test;

Q_DECLARE_METATYPE(canalarm::Language)

namespace {

QStringList LogLines(const WindowUnderTest& w) {
  return w.Find<QPlainTextEdit>("meLog")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void WriteFile(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// Opens a plain (not record-encoded) firmware of one FLASH block at 0x200,
// written into `dir`.
bool OpenOneBlockFirmware(const WindowUnderTest& w, const QTemporaryDir& dir) {
  const QString firmware = dir.filePath(QStringLiteral("fw.hex"));
  WriteFile(firmware, ":020200000102F9\n:00000001FF\n");
  w.Button("DecodeON")->setChecked(false);
  return w.window->OpenFirmwareFile(firmware);
}

// What a user's choice in the language list does: the list's signal.
void ChooseInList(const WindowUnderTest& w, Language language) {
  auto* list = w.Find<QComboBox>("cbLanguage");
  const int index = static_cast<int>(LanguageIndex(language));
  list->setCurrentIndex(index);
  emit list->activated(index);
}

// Sends a drop of `paths` (as local file URLs) onto the window.
bool Drop(const WindowUnderTest& w, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPointF at(w.window->width() / 2.0, w.window->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.window.get(), &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.window.get(), &drop);
  return drop.isAccepted();
}

// The controls that start an operation or change its settings.
const char* const kStartControls[] = {"bbOpen",       "bbUpload",     "Button2",     "Button3",
                                      "BitBtn1",      "BitBtn2",      "cbPort",      "RadioButton1",
                                      "RadioButton2", "RadioButton3", "cbLanguage"};

QStringList EnabledOf(const WindowUnderTest& w) {
  QStringList enabled;
  for (const char* name : kStartControls)
    if (w.Find(name)->isEnabled()) enabled << QLatin1String(name);
  if (w.Find("Button1")->isEnabled()) enabled << QStringLiteral("Button1");
  return enabled;
}

}  // namespace

class TestWindowFiles : public QObject {
  Q_OBJECT

 private slots:
  // --- Language ------------------------------------------------------------

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
    QCOMPARE(w.Find<QLabel>("lblLanguage")->text(), QStringLiteral("Language"));
  }

  void choosingALanguageRunsTheLanguageRoutine_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<BrandVariant>("brand");
    QTest::newRow("pl") << Language::Polish << BrandVariant::Selmo;
    QTest::newRow("en") << Language::English << BrandVariant::Dravon;  // brand list item 1
    QTest::newRow("de") << Language::German << BrandVariant::Ubrix;
    QTest::newRow("ru") << Language::Russian << BrandVariant::Selmo;
    QTest::newRow("sk") << Language::Slovak << BrandVariant::Korra;
    QTest::newRow("cz") << Language::Czech << BrandVariant::Korra;
    QTest::newRow("hu") << Language::Hungarian << BrandVariant::Korra;
  }

  void choosingALanguageRunsTheLanguageRoutine() {
    QFETCH(Language, language);
    QFETCH(BrandVariant, brand);
    WindowUnderTest w;
    ChooseInList(w, language);
    QCOMPARE(w.window->LanguageCode(), LanguageCode(language));
    QVERIFY(w.Checked(LanguageRadioButton(language)));
    for (const CaptionRow& row : AllCaptions())
      QCOMPARE(CaptionSeen(w.window.get(), row.control), Q(row.Text(language)));
    for (MessageRole role : kAllMessageRoles)
      QCOMPARE(Q(w.window->Messages().Text(role)), Q(Message(language, role)));
    QCOMPARE(w.window->windowTitle(), Q(Brand(brand).title));
    QCOMPARE(Q(w.window->Messages().BrandWebAddress()), Q(Brand(brand).webAddress));
    QVERIFY(!w.Find(Brand(brand).logo.data())->isHidden());
    QCOMPARE(w.Find<QLabel>("lblLanguage")->text(), Q(Caption(language, "RadioGroup1")));
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

  // --- Running state --------------------------------------------------------

  void onlyCancelIsLiveWhileAnOperationRuns_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("upload") << QStringLiteral("bbUpload");
    QTest::newRow("version") << QStringLiteral("Button2");
    QTest::newRow("read") << QStringLiteral("BitBtn2");
    QTest::newRow("write") << QStringLiteral("BitBtn1");
  }

  void onlyCancelIsLiveWhileAnOperationRuns() {
    QFETCH(QString, button);
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    w.Button("BitBtn2")->click();  // makes the write available
    QCOMPARE(EnabledOf(w), (QStringList{"bbOpen", "bbUpload", "Button2", "Button3", "BitBtn1",
                                        "BitBtn2", "cbPort", "RadioButton1", "RadioButton2",
                                        "RadioButton3", "cbLanguage"}));
    QStringList during;
    int pumps = 0;
    // Seen at every pump of the operation's waits.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      ++pumps;
      const QString now = EnabledOf(w).join(QLatin1Char(','));
      if (during.isEmpty() || now != during.constLast()) during << now;
    });
    probe.start(0);
    w.Button(button.toLatin1().constData())->click();
    probe.stop();
    QVERIFY(pumps > 0);
    QCOMPARE(during, QStringList{QStringLiteral("Button1")});
    QVERIFY(!w.Find("Button1")->isEnabled());
    QVERIFY(w.errors.isEmpty());
    // Afterwards as the rules say: the write stays offered after a read only.
    const bool writeOffered = button == QStringLiteral("BitBtn2") || button == QStringLiteral("Button2");
    QCOMPARE(w.Find("BitBtn1")->isEnabled(), writeOffered);
    QVERIFY(w.Find("bbUpload")->isEnabled());
    QVERIFY(w.Find("cbLanguage")->isEnabled());
  }

  void cancelIsOffAtStartAndWorksDuringAnOperation() {
    WindowUnderTest w;
    QVERIFY(!w.Find("Button1")->isEnabled());
    w.module->answerWakeUp = false;
    QTimer::singleShot(0, [&] { w.Button("Button1")->click(); });
    w.Button("Button2")->click();
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgCancelled)));
    QVERIFY(!w.Find("Button1")->isEnabled());
    QVERIFY(w.Find("Button2")->isEnabled());
  }

  // --- Progress ---------------------------------------------------------------

  void progressShowsPercentAndTimeLeft() {
    WindowUnderTest w;
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    QVERIFY(bar->isTextVisible());
    ui::WindowLinkHost& host = w.window->Host();
    auto now = ui::ProgressTimeLeft::Clock::time_point{} + std::chrono::hours(1);
    host.SetBarClock([&] { return now; });
    host.ShowTimeLeft(true);
    host.SetProgress(ProgressBarId::Programming, 32, 132, 32);
    QCOMPARE(bar->text(), QStringLiteral("0%"));
    now += std::chrono::seconds(2);
    host.SetProgress(ProgressBarId::Programming, 32, 132, 52);  // 10 blocks a second
    QCOMPARE(bar->text(), QStringLiteral("20% · 0:08 left"));
    w.window->SelectLanguage(Language::Polish);
    now += std::chrono::seconds(6);
    host.SetProgress(ProgressBarId::Programming, 32, 132, 112);
    QCOMPARE(bar->text(), QStringLiteral("80% · zostało 0:02"));
    // A new phase (the EEPROM) measures afresh.
    host.SetProgress(ProgressBarId::Programming, 0, 16, 0);
    QCOMPARE(bar->text(), QStringLiteral("0%"));
    // The version read shows the percentage only.
    host.ShowTimeLeft(false);
    now += std::chrono::seconds(2);
    host.SetProgress(ProgressBarId::Programming, 0, 16, 8);
    QCOMPARE(bar->text(), QStringLiteral("50%"));
  }

  void anUploadShowsItsProgressAsText() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(OpenOneBlockFirmware(w, dir));
    auto* bar = w.Find<QProgressBar>("ProgressBar");
    QStringList texts;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] { texts << bar->text(); });
    w.Button("bbUpload")->click();
    QVERIFY(!texts.isEmpty());
    for (const QString& text : texts) QVERIFY2(text.contains(QLatin1Char('%')), qPrintable(text));
    QCOMPARE(LogLines(w).constLast(), Q(Message(Language::English, MessageRole::msgDone)));
    QCOMPARE(bar->format(), QStringLiteral("%p%"));  // no time left once it ended
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

  // --- Files ------------------------------------------------------------------

  void aDroppedFileIsOpenedAsTheOpenButtonWould() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString firmware = dir.filePath(QStringLiteral("dropped.hexfw"));
    WriteFile(firmware, "x");
    w.Find<QPlainTextEdit>("meLog")->setPlainText(QStringLiteral("earlier"));
    QVERIFY(Drop(w, {firmware}));
    QCOMPARE(w.Find<QLineEdit>("Edit2")->text(), QStringLiteral("dropped.hexfw"));
    QVERIFY(w.Button("bbUpload")->isEnabled());
    QVERIFY(w.Button("Button3")->isEnabled());
    QVERIFY(LogLines(w).isEmpty());  // cleared, as the open button does
    QCOMPARE(Q(w.window->Shared().firmwareFileName), firmware);
  }

  void dropsThatAreNotOneFileAreRefused() {
    QTemporaryDir dir;
    WindowUnderTest w;
    const QString a = dir.filePath(QStringLiteral("a.hexfw"));
    const QString b = dir.filePath(QStringLiteral("b.hexfw"));
    WriteFile(a, "x");
    WriteFile(b, "x");
    QVERIFY(!Drop(w, {a, b}));
    QVERIFY(!Drop(w, {dir.path()}));  // a folder
    QVERIFY(!Drop(w, {dir.filePath(QStringLiteral("missing.hexfw"))}));
    QCOMPARE(LogLines(w).constFirst(), Q(Message(Language::English, MessageRole::msgFileReadError)));
    QVERIFY(!w.Button("bbUpload")->isEnabled());
    QVERIFY(w.window->Shared().firmwareFileName.empty());
    // Nor during an operation.
    bool tried = false;
    QTimer::singleShot(0, [&] {
      tried = true;
      QVERIFY(!Drop(w, {a}));
    });
    w.Button("Button2")->click();
    QVERIFY(tried);
    QVERIFY(w.window->Shared().firmwareFileName.empty());
  }

  void theFileDialogStartsInTheLastFilesFolder() {
    QTemporaryDir dir;
    WindowUnderTest w;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("firmware")));
    const QString folder = dir.filePath(QStringLiteral("firmware"));
    w.window->ChooseFirmwareFile(folder + QStringLiteral("/one.hexfw"));
    QString shown;
    w.window->SetFileChooser([&](QFileDialog& dialog) {
      shown = dialog.directory().absolutePath();
      return QString();
    });
    w.Button("bbOpen")->click();
    QCOMPARE(shown, QDir(folder).absolutePath());
    // Remembered for the next start too.
    WindowUnderTest next(/*keepSettings=*/true);
    next.window->SetFileChooser([&](QFileDialog& dialog) {
      shown = dialog.directory().absolutePath();
      return QString();
    });
    next.Button("bbOpen")->click();
    QCOMPARE(shown, QDir(folder).absolutePath());
  }

  void noPopupOutlivesTheFileDialog() {
    QTemporaryDir dir;
    for (const char* name : {"fw-one.hex", "fw-two.hex", "fw-three.hex"})
      WriteFile(dir.filePath(QLatin1String(name)), "x");
    WindowUnderTest w;
    auto* dialog = w.window->findChild<QFileDialog*>(QStringLiteral("odOpen"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(dir.path());
    bool popupShown = false;
    QTimer::singleShot(0, [&] {
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name != nullptr && name->completer() != nullptr) {
        QTest::keyClicks(name, QStringLiteral("fw-t"));
        // The completer offers the matching names in a popup (its model
        // fills from the disk in the background).
        QCompleter* completer = name->completer();
        QDeadlineTimer limit(10000);
        while (!limit.hasExpired() && !completer->popup()->isVisible()) {
          completer->complete();
          QTest::qWait(20);
        }
        popupShown = completer->popup()->isVisible();
        if (!popupShown)
          qWarning("completer: prefix '%s', %d completions", qPrintable(completer->completionPrefix()),
                   completer->completionCount());
      }
      dialog->reject();
    });
    QCOMPARE(ui::TfrmMain::RunFileDialog(*dialog), QString());
    QVERIFY(popupShown);
    QApplication::processEvents();
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
  }

  // --- About ------------------------------------------------------------------

  void aboutNamesVersionLicenceAndTheBrandsAddress() {
    QApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    WindowUnderTest w;
    QString title, text;
    w.window->SetAboutPresenter([&](const QString& t, const QString& body) {
      title = t;
      text = body;
    });
    w.Button("btnAbout")->click();
    QCOMPARE(title, QStringLiteral("About"));
    QVERIFY2(text.contains(QStringLiteral("9.8.7")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("MIT")), qPrintable(text));
    QVERIFY2(text.contains(Q(Brand(BrandVariant::Dravon).webAddress)), qPrintable(text));
    // The window's own menu offers it too, and it follows the brand.
    ChooseInList(w, Language::German);
    auto* action = w.window->findChild<QAction*>(QStringLiteral("actAbout"));
    QVERIFY(w.window->actions().contains(action));
    QCOMPARE(w.window->contextMenuPolicy(), Qt::ActionsContextMenu);
    action->trigger();
    QCOMPARE(title, Q(Text(Language::German, WindowText::About)));
    QVERIFY2(text.contains(Q(Brand(BrandVariant::Ubrix).webAddress)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Lizenz: MIT")), qPrintable(text));
  }

  // --- Help window ------------------------------------------------------------

  void helpWindowGoesBesideTheMainWindow() {
    using ui::TForm1;
    const QRect screen(0, 0, 1920, 1080);
    const QSize help(366, 315);
    // Room on the right: to the right, tops level.
    QCOMPARE(TForm1::PositionBeside(QRect(100, 200, 470, 380), help, screen), QPoint(578, 200));
    // No room on the right: to the left.
    QCOMPARE(TForm1::PositionBeside(QRect(1400, 200, 470, 380), help, screen), QPoint(1026, 200));
    // Near the bottom: lifted to stay on the screen.
    QCOMPARE(TForm1::PositionBeside(QRect(100, 900, 470, 380), help, screen).y(), 1080 - 315);
    // A maximised window: over it, kept on the screen.
    const QPoint over = TForm1::PositionBeside(screen, help, screen);
    QVERIFY(screen.contains(QRect(over, help)));
  }

  void helpShownBesideTheWindowNotAtAFixedPlace() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("DecodeON")->setChecked(false);
    const QString file = dir.filePath(QStringLiteral("help.hex"));
    WriteFile(file, ":00000001FF\n;Line\n");
    w.window->move(40, 60);
    QTRY_COMPARE(w.window->pos(), QPoint(40, 60));
    w.window->ChooseFirmwareFile(file);
    w.Button("Button3")->click();
    ui::TForm1& help = w.window->HelpWindow();
    QVERIFY(help.isVisible());
    const QRect screen = w.window->screen()->availableGeometry();
    const QPoint expected =
        ui::TForm1::PositionBeside(w.window->frameGeometry(), help.frameGeometry().size(), screen);
    QCOMPARE(help.frameGeometry().topLeft(), expected);
    QVERIFY(expected != QPoint(345, 204));  // the fixed place of old
    // Moved with the window: the next showing follows it.
    help.close();
    w.window->move(10, 20);
    QTRY_COMPARE(w.window->pos(), QPoint(10, 20));
    w.Button("Button3")->click();
    QCOMPARE(help.frameGeometry().topLeft(),
             ui::TForm1::PositionBeside(w.window->frameGeometry(), help.frameGeometry().size(), screen));
    help.close();
  }

  void helpThatIsNotUtf8IsReadInTheLanguagesCodePage() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.Button("DecodeON")->setChecked(false);
    const QString file = dir.filePath(QStringLiteral("help.hex"));
    // "Помощь" in Windows-1251; the same bytes in 1250 read otherwise.
    WriteFile(file, ":00000001FF\n;\xCF\xEE\xEC\xEE\xF9\xFC\n");
    w.window->ChooseFirmwareFile(file);
    ui::TForm1& help = w.window->HelpWindow();
    w.window->SelectLanguage(Language::Russian);
    w.Button("Button3")->click();
    QCOMPARE(help.Memo()->toPlainText(), QStringLiteral("Помощь"));
    w.window->SelectLanguage(Language::Polish);
    w.Button("Button3")->click();
    QCOMPARE(help.Memo()->toPlainText(), Q(Windows1250Text()));
    help.close();
  }

  // --- Log --------------------------------------------------------------------

  void logCanBeCopiedAndSaved() {
    QTemporaryDir dir;
    WindowUnderTest w;
    w.window->SelectLanguage(Language::Polish);
    w.Button("Button2")->click();  // a version read fills the log
    const QString log = w.Find<QPlainTextEdit>("meLog")->toPlainText();
    QVERIFY(log.contains(QStringLiteral("Wyszukuje...")));
    w.window->CopyLog();
    QCOMPARE(QGuiApplication::clipboard()->text(), log);
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    QVERIFY(w.window->SaveLog(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), log + QLatin1Char('\n'));
    // A file that can't be written: said in the log, nothing else changes.
    QVERIFY(!w.window->SaveLog(dir.filePath(QStringLiteral("no/such/folder/log.txt"))));
    QVERIFY(LogLines(w).constLast().startsWith(QStringLiteral("Nie można zapisać pliku")));
    QCOMPARE(w.Find<QPlainTextEdit>("meLog")->contextMenuPolicy(), Qt::CustomContextMenu);
  }

 private:
  static std::string Windows1250Text() { return "Ďîěîůü"; }
};

QTEST_MAIN(TestWindowFiles)
#include "test_window_files.moc"

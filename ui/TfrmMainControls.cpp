// SPDX-License-Identifier: MIT
// The window's controls: names, structure, start states and the wiring of
// their events to the handlers. Positions come from layouts, so the window
// can grow from its smallest size, kClientWidth by kClientHeight (wider where
// a language's options need it).
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpacerItem>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "texts/WindowTexts.h"
#include "ui/BrandLogo.h"
#include "ui/HandlerGuard.h"
#include "ui/QtText.h"
#include "ui/TImage.h"
#include "ui/TPortComboBox.h"
#include "ui/TSpinButton.h"
#include "ui/TTextProgressBar.h"
#include "ui/TfrmMain.h"
#include "ui/WindowFaces.h"
#include "ui/WindowSettings.h"

namespace canalarm::ui {

namespace {

constexpr int kFontPixels = 11;
// Fits under the help button and the language row at the smallest size.
constexpr QSize kLogoSize{124, 28};

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QGroupBox* Group(const char* name, QWidget* parent = nullptr) {
  return Named(new QGroupBox(parent), name);
}

QFrame* Separator(const char* name) {
  auto* line = Named(new QFrame, name);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

// Tight margins: the client area is small.
template <typename Layout>
Layout* Tight(Layout* layout, int spacing = 2) {
  layout->setContentsMargins(4, 1, 2, 2);
  layout->setSpacing(spacing);
  return layout;
}

// A group of two radio buttons, the first checked: side by side when the
// captions are short, one above the other otherwise.
QGroupBox* TwoChoices(const char* group, const char* first, const char* second,
                      bool sideBySide = false) {
  QGroupBox* box = Group(group);
  auto* firstButton = Named(new QRadioButton, first);
  auto* secondButton = Named(new QRadioButton, second);
  firstButton->setChecked(true);
  QBoxLayout* layout = sideBySide ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                                  : static_cast<QBoxLayout*>(new QVBoxLayout(box));
  Tight(layout, sideBySide ? 8 : 0);
  layout->addWidget(firstButton);
  layout->addWidget(secondButton);
  if (sideBySide) layout->addStretch();
  return box;
}

QLineEdit* ReadOnlyEdit(const char* name) {
  auto* edit = Named(new QLineEdit, name);
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  return edit;
}

QProgressBar* Progress(const char* name) {
  auto* bar = Named(new TTextProgressBar, name);
  bar->setTextVisible(true);
  bar->setAlignment(Qt::AlignCenter);
  bar->setFormat(QStringLiteral("%p%"));
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setFixedHeight(15);
  return bar;
}

QPushButton* BitmapButton(const char* name, QStyle::StandardPixmap icon, QWidget* styleSource) {
  auto* button = Named(new QPushButton, name);
  button->setIcon(styleSource->style()->standardIcon(icon));
  return button;
}

}  // namespace

void TfrmMain::CreateControls() {
  // A narrow face: the captions of every language fit the classic area. In
  // a wider one the window grows to fit German and Russian options.
  LoadWindowFaces();
  QFont windowFont = font();
  windowFont.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial Narrow"),
                          QStringLiteral("Liberation Sans Narrow"), windowFont.family()});
  windowFont.setPixelSize(kFontPixels);
  setFont(windowFont);
  // Group titles sit on the frame line, as compact as the area needs. The
  // title is drawn clipped to a box one line high, which at this size cuts
  // off an accent above the font's ascent ("Č", "Ś"): the box is taller.
  setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 3px;"
      " margin-top: 6px; padding-top: 5px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
      " left: 6px; padding: 0 2px; min-height: 16px; }"));
  setWindowTitle(QStringLiteral("Tarvex - Bootloader"));
  setWindowIcon(ProgramIcon());
  // The least height is fixed. The least width is the layout's: a strut
  // keeps it at kClientWidth, and it grows where the options need more room
  // in a language than the face gives them there.
  setMinimumHeight(kClientHeight);
  resize(kClientWidth, kClientHeight);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setAcceptDrops(true);

  auto* panel = Named(new QWidget(this), "Panel1");
  auto* windowLayout = new QVBoxLayout(this);
  windowLayout->setContentsMargins(0, 0, 0, 0);
  windowLayout->setSpacing(0);
  windowLayout->addWidget(panel);
  windowLayout->addSpacerItem(new QSpacerItem(kClientWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));

  PageControl1 = Named(new QTabWidget, "PageControl1");
  PageControl1->setDocumentMode(false);
  PageControl1->setUsesScrollButtons(false);
  PageControl1->addTab(CreateProgrammingTab(), QString());
  PageControl1->addTab(CreateParametersTab(), QString());
  // An option's caption is never cut: the option keeps its room, and the
  // window grows where a language needs more than the face gives it.
  for (QAbstractButton* option : PageControl1->findChildren<QAbstractButton*>())
    if (qobject_cast<QRadioButton*>(option) != nullptr || qobject_cast<QCheckBox*>(option) != nullptr)
      option->setSizePolicy(QSizePolicy::Minimum, option->sizePolicy().verticalPolicy());
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(2, 2, 2, 2);
  panelLayout->addWidget(PageControl1);

  // The hidden controls sit on the panel too, outside every layout, never shown.
  CreateHiddenControls()->setParent(panel);

  TimeoutTicker = Named(new QTimer(this), "TimeoutTicker");
  TimeoutTicker->setInterval(kTickerIntervalMs);
  TimeoutTicker->setTimerType(Qt::PreciseTimer);

  odOpen = Named(new QFileDialog(this), "odOpen");
  odOpen->setFileMode(QFileDialog::ExistingFile);
  odOpen->setAcceptMode(QFileDialog::AcceptOpen);
  odOpen->setDefaultSuffix(QStringLiteral("hex"));
  odOpen->setNameFilter(QStringLiteral("Plik HEX (*.hex)"));
}

QWidget* TfrmMain::CreateProgrammingTab() {
  auto* page = Named(new QWidget, "TabSheet1");

  meLog = Named(new QPlainTextEdit, "meLog");
  meLog->setReadOnly(true);
  // Wrapped: a warning cut off at the edge would be lost at the smallest size.
  meLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  meLog->setContextMenuPolicy(Qt::CustomContextMenu);
  Edit2 = ReadOnlyEdit("Edit2");
  QPalette blueText = Edit2->palette();
  blueText.setColor(QPalette::Text, Qt::blue);
  Edit2->setPalette(blueText);
  ProgressBar = Progress("ProgressBar");

  // Commands.
  QGroupBox* commands = Group("GroupBox3");
  bbOpen = BitmapButton("bbOpen", QStyle::SP_DialogOpenButton, this);
  bbUpload = BitmapButton("bbUpload", QStyle::SP_ArrowUp, this);
  bbUpload->setEnabled(false);
  Button1 = Named(new QPushButton, "Button1");
  auto* commandLayout = Tight(new QVBoxLayout(commands));
  commandLayout->addWidget(bbOpen);
  commandLayout->addWidget(Separator("Panel2"));
  commandLayout->addWidget(bbUpload);
  commandLayout->addWidget(Button1);
  // An upload writes the file's EEPROM around the settings a module holds.
  cbKeepSettings = Named(new QCheckBox, "cbKeepSettings");
  cbKeepSettings->setChecked(WindowSettings::KeepModuleSettings());

  // Port and speed.
  QGroupBox* port = Group("GroupBox1");
  RadioButton1 = Named(new QRadioButton, "RadioButton1");
  RadioButton2 = Named(new QRadioButton, "RadioButton2");
  RadioButton3 = Named(new QRadioButton, "RadioButton3");
  for (const SpeedButton& speed : SpeedButtons()) speed.button->setText(QString::number(speed.baud));
  RadioButton1->setChecked(true);
  cbPort = Named(new TPortComboBox, "cbPort");
  // Items say which device they lead to: let the list be wider than the box.
  cbPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbPort->setMinimumContentsLength(8);
  cbPort->view()->setTextElideMode(Qt::ElideNone);
  for (int n = 1; n <= 12; ++n) cbPort->addItem(QStringLiteral("COM%1").arg(n));
  cbPort->setCurrentIndex(0);
  auto* portLayout = Tight(new QGridLayout(port));
  portLayout->addWidget(RadioButton1, 0, 0);
  portLayout->addWidget(RadioButton2, 0, 1);
  portLayout->addWidget(RadioButton3, 0, 2);
  portLayout->addWidget(cbPort, 1, 0, 1, 3);

  // Program version.
  QGroupBox* version = Group("GroupBox2");
  Button2 = Named(new QPushButton, "Button2");
  Tight(new QVBoxLayout(version))->addWidget(Button2);

  // Help and the brand's logo.
  QGroupBox* brand = Group("GroupBox18");
  Button3 = Named(new QPushButton, "Button3");
  Button3->setEnabled(false);
  auto* logos = new QGridLayout;
  logos->setContentsMargins(0, 0, 0, 0);
  for (BrandVariant variant : kAllBrandVariants) {
    const BrandInfo& info = Brand(variant);
    auto* image = new TImage;
    image->setObjectName(ToQString(info.logo));
    image->setPixmap(BrandLogo(variant, kLogoSize, devicePixelRatioF()));
    image->setAlignment(Qt::AlignCenter);
    image->setCursor(Qt::PointingHandCursor);
    image->setToolTip(ToQString(info.webAddress));
    connect(image, &TImage::Click, this, [this] { guard_->Run([this] { LOGOClick(); }); });
    logos->addWidget(image, 0, 0);  // one above the other; at most one is shown
  }
  // The language list in the free area under the help button, each
  // language named in itself, and the About button beside it.
  lblLanguage = Named(new QLabel, "lblLanguage");
  cbLanguage = Named(new QComboBox, "cbLanguage");
  for (Language language : kAllLanguages)
    cbLanguage->addItem(ToQString(NativeLanguageName(language)), QChar::fromLatin1(canalarm::LanguageCode(language)));
  cbLanguage->setCurrentIndex(static_cast<int>(LanguageIndex(kStartupLanguage)));
  lblLanguage->setBuddy(cbLanguage);
  btnAbout = Named(new QToolButton, "btnAbout");
  btnAbout->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  btnAbout->setAutoRaise(true);
  // One row, so that the brand's logo keeps its room below.
  auto* languageRow = new QHBoxLayout;
  languageRow->setSpacing(3);
  languageRow->addWidget(lblLanguage);
  languageRow->addWidget(cbLanguage, 1);
  languageRow->addWidget(btnAbout);

  auto* brandLayout = Tight(new QVBoxLayout(brand));
  brandLayout->addWidget(Button3);
  brandLayout->addWidget(Separator("Panel3"));
  brandLayout->addLayout(languageRow);
  brandLayout->addStretch();
  brandLayout->addLayout(logos);

  // Hints that the window never shows (its hints are switched off): kept as
  // status tips, which it has no status bar for.
  bbUpload->setStatusTip(QStringLiteral("Zapis wybranej wersji programu"));
  bbOpen->setStatusTip(QStringLiteral("Wczytaj plik programu"));
  Button1->setStatusTip(QStringLiteral("Anuluj"));
  cbPort->setStatusTip(QStringLiteral("Port szeregowy"));
  Button2->setStatusTip(QStringLiteral("Odczyt aktualnej wersji programu"));

  auto* left = new QVBoxLayout;
  left->setSpacing(3);
  left->addWidget(meLog, 1);
  left->addWidget(Edit2);
  left->addWidget(cbKeepSettings);
  left->addWidget(ProgressBar);
  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  right->addWidget(commands);
  right->addWidget(port);
  right->addWidget(version);
  right->addWidget(brand, 1);
  auto* pageLayout = new QHBoxLayout(page);
  pageLayout->setContentsMargins(4, 4, 4, 4);
  pageLayout->setSpacing(4);
  pageLayout->addLayout(left, 1);
  pageLayout->addLayout(right, 0);
  return page;
}

QWidget* TfrmMain::CreateParametersTab() {
  auto* page = Named(new QWidget, "TabSheet2");
  // Three columns of options in every language: a size smaller than the rest.
  QFont optionFont = font();
  optionFont.setPixelSize(kFontPixels - 1);
  page->setFont(optionFont);

  // Left column: groups (1) to (3), the mode, (4) and (5).
  auto* left = new QVBoxLayout;
  left->setSpacing(1);
  left->addWidget(TwoChoices("GroupBox5", "RadioButton4", "RadioButton5"));
  left->addWidget(TwoChoices("GroupBox6", "RadioButton6", "RadioButton7"));
  left->addWidget(TwoChoices("GroupBox7", "RadioButton8", "RadioButton9"));
  QGroupBox* mode = TwoChoices("GroupBox17", "RadioButton22", "RadioButton23", true);
  left->addWidget(mode);
  left->addWidget(TwoChoices("GroupBox8", "RadioButton10", "RadioButton11"));
  left->addWidget(TwoChoices("GroupBox10", "RadioButton12", "RadioButton13"));
  left->addStretch();
  RadioButton22 = mode->findChild<QRadioButton*>(QStringLiteral("RadioButton22"));
  RadioButton23 = mode->findChild<QRadioButton*>(QStringLiteral("RadioButton23"));

  // Middle column: groups (6) to (10).
  auto* middle = new QVBoxLayout;
  middle->setSpacing(1);
  middle->addWidget(TwoChoices("GroupBox11", "RadioButton14", "RadioButton15"));
  middle->addWidget(TwoChoices("GroupBox12", "RadioButton16", "RadioButton17", true));
  middle->addWidget(TwoChoices("GroupBox14", "RadioButton20", "RadioButton21", true));
  middle->addWidget(TwoChoices("GroupBox13", "RadioButton18", "RadioButton19", true));
  QGroupBox* hazard = Group("GroupBox16");
  CheckBox2 = Named(new QCheckBox, "CheckBox2");
  auto* CheckBox1 = Named(new QCheckBox, "CheckBox1");
  CheckBox3 = Named(new QCheckBox, "CheckBox3");
  auto* hazardLayout = Tight(new QVBoxLayout(hazard), 0);
  hazardLayout->addWidget(CheckBox2);
  hazardLayout->addWidget(CheckBox1);
  hazardLayout->addWidget(CheckBox3);
  middle->addWidget(hazard);
  middle->addStretch();

  // Right column: commands, PIN, CAN program number.
  QGroupBox* commands = Group("GroupBox4");
  BitBtn2 = BitmapButton("BitBtn2", QStyle::SP_ArrowDown, this);
  BitBtn1 = BitmapButton("BitBtn1", QStyle::SP_DialogSaveButton, this);
  BitBtn1->setEnabled(false);
  auto* commandLayout = Tight(new QVBoxLayout(commands));
  btnParamsCancel = Named(new QPushButton, "btnParamsCancel");
  btnParamsCancel->setEnabled(false);
  btnRestore = Named(new QPushButton, "btnRestore");
  btnRestore->setEnabled(false);
  commandLayout->addWidget(BitBtn2);
  commandLayout->addWidget(Separator("Bevel1"));
  commandLayout->addWidget(BitBtn1);
  commandLayout->addWidget(btnParamsCancel);
  commandLayout->addWidget(btnRestore);

  // Windows has Trebuchet MS; where it is missing (Wine, Linux) the next
  // family that is there, rather than whatever the system picks: under Wine
  // that drew no digits at all.
  QFont fieldFont;
  fieldFont.setFamilies({QStringLiteral("Trebuchet MS"), QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                         QStringLiteral("DejaVu Sans")});
  fieldFont.setBold(true);
  fieldFont.setPixelSize(14);
  QGroupBox* pinGroup = Group("GroupBox9");
  auto* PIN = Named(new QLineEdit, "PIN");
  // Unfilled positions show as blanks: a PIN the fitter did not type must
  // not look like (or become) digits.
  PIN->setInputMask(QStringLiteral("0000; "));
  PIN->setMaxLength(4);
  PIN->setText(QString());
  PIN->setFont(fieldFont);
  PIN->setFixedHeight(19 + 4);
  PIN->setAlignment(Qt::AlignCenter);
  Tight(new QVBoxLayout(pinGroup))->addWidget(PIN);

  QGroupBox* program = Group("GroupBox15");
  auto* MaskEdit1 = Named(new QLineEdit(QStringLiteral("11")), "MaskEdit1");
  MaskEdit1->setReadOnly(true);
  MaskEdit1->setMaxLength(2);
  MaskEdit1->setFont(fieldFont);
  MaskEdit1->setFixedHeight(19 + 4);
  MaskEdit1->setAlignment(Qt::AlignCenter);
  SpinButton1 = Named(new TSpinButton, "SpinButton1");
  SpinButton1->setFixedSize(18, 19 + 4);
  auto* programLayout = Tight(new QHBoxLayout(program), 1);
  programLayout->addWidget(MaskEdit1, 1);
  programLayout->addWidget(SpinButton1);

  // Groups keep their natural height when the window grows; the room goes
  // below them.
  for (QGroupBox* box : {commands, pinGroup, program})
    box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  auto* right = new QVBoxLayout;
  right->setSpacing(1);
  right->addWidget(commands);
  right->addWidget(pinGroup);
  right->addWidget(program);
  right->addStretch();

  // Below the middle and right columns: the status line and its progress.
  Edit3 = ReadOnlyEdit("Edit3");
  // A status longer than the line shows its beginning, not its end.
  connect(Edit3, &QLineEdit::textChanged, Edit3, [this] { Edit3->setCursorPosition(0); });
  QPalette status = Edit3->palette();
  status.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
  status.setColor(QPalette::Text, Qt::blue);
  Edit3->setPalette(status);
  ProgressBar1 = Progress("ProgressBar1");

  auto* pageLayout = new QGridLayout(page);
  pageLayout->setContentsMargins(2, 3, 2, 3);
  pageLayout->setHorizontalSpacing(2);
  pageLayout->setVerticalSpacing(2);
  pageLayout->addLayout(left, 0, 0, 3, 1);
  pageLayout->addLayout(middle, 0, 1);
  pageLayout->addLayout(right, 0, 2);
  pageLayout->addWidget(Edit3, 1, 1, 1, 2);
  pageLayout->addWidget(ProgressBar1, 2, 1, 1, 2);
  pageLayout->setRowStretch(0, 1);
  // Room gained (a maximised window) goes to the three columns alike, so
  // the options do not huddle at the left of one wide middle column.
  pageLayout->setColumnStretch(0, 1);
  pageLayout->setColumnStretch(1, 1);
  pageLayout->setColumnStretch(2, 1);
  return page;
}

QWidget* TfrmMain::CreateHiddenControls() {
  auto* hidden = Named(new QWidget, "HiddenControls");
  hidden->hide();
  auto option = [hidden](const char* name, const char* caption, bool checked) {
    auto* box = Named(new QCheckBox(QString::fromLatin1(caption), hidden), name);
    box->setChecked(checked);
    return box;
  };
  EEPROM = option("EEPROM", "EEPROM write", true);
  DecodeON = option("DecodeON", "File Decode ON", true);
  All_memory = option("All_memory", "All memory write", true);
  PICencoding = option("PICencoding", "RandomEncoding", false);
  DeviceID = option("DeviceID", "Device ID read", false);
  Encoding_OFF = option("Encoding_OFF", "Encoding OFF", false);
  Flash_size = option("Flash_size", "Flash size", false);
  dravon = option("dravon", "dravon", false);
  ubrix_EN = option("ubrix_EN", "ubrix_EN", false);

  Edit1 = Named(new QLineEdit(QStringLiteral("Edit1"), hidden), "Edit1");
  Edit1->setReadOnly(true);
  Memo1 = Named(new QPlainTextEdit(hidden), "Memo1");
  Clear = Named(new QPushButton(QStringLiteral("Clear"), hidden), "Clear");
  Button4 = Named(new QPushButton(QStringLiteral("Button4"), hidden), "Button4");
  LOGO = Named(new QToolButton(hidden), "LOGO");
  LOGO->setText(QStringLiteral("LOGO"));
  RadioGroup1 = Named(new QGroupBox(QStringLiteral("Jezyk"), hidden), "RadioGroup1");

  // The language buttons share one parent, so at most one is checked.
  for (int i = 1; i <= 9; ++i) {
    const QString name = QStringLiteral("lang%1").arg(i);
    const std::optional<Language> language = LanguageFromRadioButton(ToStdString(name));
    auto* button = new QRadioButton(
        language ? ToQString(LanguageAbbreviation(*language)) : name, hidden);
    button->setObjectName(name);
    button->setChecked(i == 9);
  }

  logo1 = Named(new QComboBox(hidden), "logo1");
  for (BrandVariant variant : kAllBrandVariants) logo1->addItem(ToQString(Brand(variant).listCode));
  logo1->setCurrentIndex(0);
  return hidden;
}

template <typename Sender, typename Signal>
void TfrmMain::Bind(Sender* sender, Signal signal, void (TfrmMain::*handler)()) {
  connect(sender, signal, this, [this, handler] { guard_->Run([this, handler] { (this->*handler)(); }); });
}

void TfrmMain::BindChecked(QAbstractButton* button, void (TfrmMain::*handler)()) {
  connect(button, &QAbstractButton::toggled, this, [this, handler](bool checked) {
    if (checked) guard_->Run([this, handler] { (this->*handler)(); });
  });
}

void TfrmMain::BindCommand(QAbstractButton* button, void (TfrmMain::*handler)(), CommandKind kind) {
  connect(button, &QAbstractButton::clicked, this, [this, handler, kind] { RunCommand(handler, kind); });
}

void TfrmMain::BindKeys() {
  // A key works only when its button could be pressed.
  auto pressing = [this](const QKeySequence& keys, QAbstractButton* button, const char* name) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setObjectName(QString::fromLatin1(name));
    connect(shortcut, &QShortcut::activated, this, [button] {
      if (button->isEnabled()) button->click();
    });
  };
  pressing(QKeySequence::Open, bbOpen, "keyOpen");
  pressing(QKeySequence(Qt::Key_F1), Button3, "keyHelp");
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setObjectName(QStringLiteral("keyEscape"));
  connect(escape, &QShortcut::activated, this, [this] { guard_->Run([this] { EscapePressed(); }); });
  // Enter presses the focused button, as Space does.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(true);
}

void TfrmMain::ConnectHandlers() {
  BindCommand(bbOpen, &TfrmMain::bbOpenClick);
  BindCommand(bbUpload, &TfrmMain::bbUploadClick, CommandKind::Write);
  BindCommand(Button2, &TfrmMain::Button2Click, CommandKind::Read);
  BindCommand(Button3, &TfrmMain::Button3Click);
  BindCommand(BitBtn2, &TfrmMain::BitBtn2Click, CommandKind::Read);
  BindCommand(BitBtn1, &TfrmMain::BitBtn1Click, CommandKind::Write);
  Bind(Button1, &QPushButton::clicked, &TfrmMain::Button1Click);
  Bind(btnParamsCancel, &QPushButton::clicked, &TfrmMain::Button1Click);
  BindCommand(btnRestore, &TfrmMain::btnRestoreClick);
  connect(cbKeepSettings, &QCheckBox::toggled, this, [](bool keep) { WindowSettings::SetKeepModuleSettings(keep); });
  Bind(TimeoutTicker, &QTimer::timeout, &TfrmMain::TimeoutTickerTimer);
  Bind(Clear, &QPushButton::clicked, &TfrmMain::ClearClick);
  Bind(LOGO, &QToolButton::clicked, &TfrmMain::LOGOClick);

  // Change handlers run on every change of state, from a click or from code.
  BindChecked(RadioButton22, &TfrmMain::RadioButton22Click);
  BindChecked(RadioButton23, &TfrmMain::RadioButton23Click);
  Bind(CheckBox2, &QCheckBox::toggled, &TfrmMain::CheckBox2Click);
  Bind(CheckBox3, &QCheckBox::toggled, &TfrmMain::CheckBox3Click);
  Bind(SpinButton1, &TSpinButton::UpClick, &TfrmMain::SpinButton1UpClick);
  Bind(SpinButton1, &TSpinButton::DownClick, &TfrmMain::SpinButton1DownClick);
  for (int i = 1; i <= 9; ++i)
    BindChecked(findChild<QRadioButton*>(QStringLiteral("lang%1").arg(i)), &TfrmMain::RadioGroup1Click);

  // The language list, the About button, the port list and the speed
  // buttons, the log's menu.
  connect(cbLanguage, &QComboBox::activated, this, [this](int index) {
    guard_->Run([this, index] { ChooseLanguage(kAllLanguages.at(static_cast<std::size_t>(index))); });
  });
  Bind(btnAbout, &QToolButton::clicked, &TfrmMain::ShowAbout);
  Bind(cbPort, &TPortComboBox::PopupAboutToShow, &TfrmMain::RefreshPortItems);
  Bind(cbPort, &QComboBox::activated, &TfrmMain::RememberPortChoice);
  for (const SpeedButton& speed : SpeedButtons()) BindChecked(speed.button, &TfrmMain::RememberPortChoice);
  Bind(cbPort, &QComboBox::currentIndexChanged, &TfrmMain::ForgetModuleRead);
  for (const SpeedButton& speed : SpeedButtons()) BindChecked(speed.button, &TfrmMain::ForgetModuleRead);
  connect(meLog, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    guard_->Run([this, position] { ShowLogMenuAt(meLog->viewport()->mapToGlobal(position)); });
  });
  // The window's own menu (a right click where no control has one).
  auto* about = new QAction(this);
  about->setObjectName(QStringLiteral("actAbout"));
  connect(about, &QAction::triggered, this, [this] { guard_->Run([this] { ShowAbout(); }); });
  addAction(about);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    guard_->Run([this, position] { ShowWindowMenuAt(mapToGlobal(position)); });
  });
}

}  // namespace canalarm::ui

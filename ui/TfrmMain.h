// SPDX-License-Identifier: MIT
// The main window: two tabs (programming and operating parameters), the
// hidden option controls, the countdown timer, the file dialog and the
// serial port component, with one handler per control event.
//
// Handlers stay thin: they call the core (language tables, brand choice,
// parameter fill and fold, the link's operations). Every handler runs
// through one HandlerGuard, so no error reaches Qt's event loop. Command
// buttons start an operation only when none runs; a click meanwhile (the
// waits pump events) is ignored.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "link/BootloaderLink.h"
#include "link/FirmwareUpload.h"
#include "link/LinkPort.h"
#include "link/SharedImages.h"
#include "serial/TSerlComPort.h"
#include "ui/BrandVariants.h"
#include "ui/LanguageTables.h"
#include "ui/MessageSet.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace canalarm::ui {

class HandlerGuard;
class TForm1;
class TImage;
class TSpinButton;
class WindowLinkHost;
class WindowParameterTab;

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // The client area; the window is not resizable.
  static constexpr int kClientWidth = 456;
  static constexpr int kClientHeight = 340;
  static constexpr int kTickerIntervalMs = 50;

  // The link talks to the serial port component `ComPort`.
  explicit TfrmMain(QWidget* parent = nullptr);
  // The link talks to `port` instead (tests).
  explicit TfrmMain(std::unique_ptr<LinkPort> port, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // --- Handlers, one per control event ---------------------------------
  void FormCreate();
  void FormDestroy();
  void LOGOClick();
  void ClearClick();
  void TimeoutTickerTimer();
  void Button1Click();
  void RadioGroup1Click();
  // Applies the language of `code` ('0'..'6'); any other code changes nothing.
  void zmiana_jezyka(char code);
  void bbOpenClick();
  void bbUploadClick();
  void Button2Click();
  void Button3Click();
  void BitBtn2Click();
  void BitBtn1Click();
  void RadioButton22Click();
  void RadioButton23Click();
  void CheckBox2Click();
  void CheckBox3Click();
  void SpinButton1UpClick();
  void SpinButton1DownClick();

  // What bbOpenClick does with the path the dialog returned.
  void ChooseFirmwareFile(const QString& path);

  // The port and speed chosen in the window, and the hidden upload options.
  PortChoice CurrentPort() const;
  UploadOptions CurrentUploadOptions() const;

  char LanguageCode() const { return languageCode_; }
  const MessageSet& Messages() const { return messages_; }
  serl::TSerlComPort& ComPort() { return comPort_; }
  SharedImages& Shared() { return shared_; }
  TForm1& HelpWindow() { return *help_; }
  WindowLinkHost& Host() { return *host_; }
  WindowParameterTab& ParametersTab() { return *parametersTab_; }
  HandlerGuard& Guard() { return *guard_; }
  bool CommandRunning() const { return commandRunning_; }

  // Runs the file dialog and returns the chosen path, empty for Cancel.
  using FileChooser = std::function<QString(QFileDialog& dialog)>;
  void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
  // Opens a web address (the system's browser by default).
  using UrlOpener = std::function<void(const QString& address)>;
  void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Construction of the controls (TfrmMainControls.cpp).
  void CreateControls();
  QWidget* CreateProgrammingTab();
  QWidget* CreateParametersTab();
  QWidget* CreateHiddenControls();
  void ConnectHandlers();

  // Connects `signal` to a guarded call of `handler`.
  template <typename Sender, typename Signal>
  void Bind(Sender* sender, Signal signal, void (TfrmMain::*handler)());
  // The same for a check state: `handler` runs when the control turns checked.
  void BindChecked(QAbstractButton* button, void (TfrmMain::*handler)());
  // A command button: guarded, and ignored while another command runs.
  void BindCommand(QAbstractButton* button, void (TfrmMain::*handler)());
  void RunCommand(void (TfrmMain::*handler)());
  void CommandFinished();

  void ApplyCaptions(CaptionGroup group, Language language);
  void ApplyBrand(const BrandChoice& choice);
  void SetTitle(const QString& title);
  void PrepareLink();

  serl::TSerlComPort comPort_;  // outlives the link's port, which refers to it
  std::unique_ptr<LinkPort> linkPort_;
  MessageSet messages_;
  SharedImages shared_;
  char languageCode_ = canalarm::LanguageCode(kLanguageAtLoad);

  // Controls the handlers use (all named; see TfrmMainControls.cpp).
  QTabWidget* PageControl1 = nullptr;
  QPlainTextEdit* meLog = nullptr;
  QPushButton* bbOpen = nullptr;
  QPushButton* bbUpload = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QComboBox* cbPort = nullptr;
  QLineEdit* Edit2 = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QGroupBox* GroupBox8 = nullptr;
  QGroupBox* GroupBox10 = nullptr;
  QRadioButton* RadioButton22 = nullptr;
  QRadioButton* RadioButton23 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QLineEdit* PIN = nullptr;
  QLineEdit* MaskEdit1 = nullptr;
  TSpinButton* SpinButton1 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QCheckBox* EEPROM = nullptr;
  QCheckBox* DecodeON = nullptr;
  QCheckBox* All_memory = nullptr;
  QCheckBox* PICencoding = nullptr;
  QCheckBox* DeviceID = nullptr;
  QCheckBox* Encoding_OFF = nullptr;
  QCheckBox* Flash_size = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Clear = nullptr;
  QPushButton* Button4 = nullptr;
  QToolButton* LOGO = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QCheckBox* dravon = nullptr;
  QCheckBox* ubrix_EN = nullptr;
  QComboBox* logo1 = nullptr;
  QTimer* TimeoutTicker = nullptr;
  QFileDialog* odOpen = nullptr;

  std::unique_ptr<HandlerGuard> guard_;
  std::unique_ptr<WindowLinkHost> host_;
  std::unique_ptr<WindowParameterTab> parametersTab_;
  std::unique_ptr<BootloaderLink> link_;
  std::unique_ptr<TForm1> help_;
  FileChooser fileChooser_;
  UrlOpener urlOpener_;
  bool commandRunning_ = false;
  bool closePending_ = false;
};

}  // namespace canalarm::ui

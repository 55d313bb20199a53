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
//
// The members are defined by topic, one file each:
//   TfrmMain.cpp          the window's life and its commands (operations)
//   TfrmMainControls.cpp  the controls and the wiring of their events
//   TfrmMainLanguage.cpp  language and brand
//   TfrmMainPorts.cpp     port and speed
//   TfrmMainFiles.cpp     the firmware file (open, choose, drop) and its help
//   TfrmMainLog.cpp       the log, its menu and the About box
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/BootloaderLink.h"
#include "link/FirmwareUpload.h"
#include "link/LinkOutcome.h"
#include "link/LinkPort.h"
#include "link/SharedImages.h"
#include "serial/TSerlComPort.h"
#include "texts/BrandVariants.h"
#include "texts/LanguageTables.h"
#include "texts/MessageSet.h"
#include "ui/ControlHold.h"
#include "ui/PortFacts.h"
#include "ui/StatusColours.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDateTime;
class QDragEnterEvent;
class QDropEvent;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QLabel;
class QTimer;
class QTranslator;
class QToolButton;

namespace canalarm::ui {

class HandlerGuard;
class TForm1;
class TPortComboBox;
class TSpinButton;
class WindowLinkHost;
class WindowParameterTab;

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // The client area at start, and the smallest the window can be made.
  static constexpr int kClientWidth = 456;
  static constexpr int kClientHeight = 340;
  static constexpr int kTickerIntervalMs = 50;
  // The title of a start, and of English whenever it is applied.
  static constexpr const char* kStartTitle = "CAN Alarm Bootloader";

  // The link talks to the serial port component `ComPort`.
  explicit TfrmMain(QWidget* parent = nullptr);
  // The link talks to `port` instead (tests).
  explicit TfrmMain(std::unique_ptr<LinkPort> port, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // --- Window life and commands (TfrmMain.cpp) ------------------------------
  void FormCreate();
  void FormDestroy();
  void TimeoutTickerTimer();
  void Button1Click();  // Cancel
  void bbUploadClick();
  void Button2Click();  // version read
  void BitBtn2Click();  // parameter read
  void BitBtn1Click();  // parameter write
  // Restore…: offers the backups of the module last read (same version
  // text), newest first, and shows the chosen one's settings in the fields;
  // "Saving" then writes them, with the checks of every write.
  void btnRestoreClick();
  // Fills the fields with the settings of `backup` over the module's last
  // read; false (nothing changed) without a complete read.
  bool ShowBackupSettings(const BackupRecord& backup);
  // Changing the port or the speed forgets the read: its fields belong to
  // the module on the old port.
  void ForgetModuleRead();
  // The hidden upload options.
  UploadOptions CurrentUploadOptions() const;
  bool CommandRunning() const { return commandRunning_; }
  // Where every write's backup goes (tests point it elsewhere).
  BackupStore& Backups() { return backups_; }
  // Chooses one of the offered backups' labels; -1 for none. A list dialog by default.
  using BackupChooser = std::function<int(QWidget*, const QStringList&)>;
  void SetBackupChooser(BackupChooser chooser) { backupChooser_ = std::move(chooser); }
  // Whether an operation on the module runs; its waits pump events.
  bool LinkRunning() const { return runningKind_ != CommandKind::Local && commandRunning_; }
  // The one rule for every path that opens a dialog, a menu or another
  // window: none while the link runs. A modal loop started from inside the
  // link's wait would hold the transfer until it closed.
  bool MayOpenDialog() const;
  // Esc: cancels a running operation, otherwise closes the help window.
  void EscapePressed();
  // How the last operation ended (none before the first).
  std::optional<LinkOutcome> LastOutcome() const { return lastOutcome_; }

  // The parameters tab's change handlers; WindowParameterTab does the work.
  void RadioButton22Click();
  void RadioButton23Click();
  void CheckBox2Click();
  void CheckBox3Click();
  void SpinButton1UpClick();
  void SpinButton1DownClick();

  // --- Language and brand (TfrmMainLanguage.cpp) ----------------------------
  void RadioGroup1Click();
  // Applies the language of `code` ('0'..'6'); any other code changes nothing.
  void zmiana_jezyka(char code);
  // Opens the current brand's web address.
  void LOGOClick();
  // The language list under the help button: checks the language's hidden
  // radio button, which runs RadioGroup1Click, and remembers the choice.
  void ChooseLanguage(Language language);
  // Applies `language` as RadioGroup1Click does, without remembering it.
  void SelectLanguage(Language language);
  char LanguageCode() const { return languageCode_; }
  const MessageSet& Messages() const { return messages_; }

  // --- Port and speed (TfrmMainPorts.cpp) -----------------------------------
  // The port and speed chosen in the window.
  PortChoice CurrentPort() const;
  // Describes every port of cbPort afresh (done whenever its list opens).
  void RefreshPortItems();
  // Describes a port for the list and for open errors.
  void SetPortDescriber(PortDescriber describer);

  // --- Firmware file and help (TfrmMainFiles.cpp) ---------------------------
  void bbOpenClick();
  void Button3Click();  // help
  // What bbOpenClick does with the path the dialog returned: the file is
  // read as an upload reads it; one that would not load is refused (false)
  // with the reason in the log, else the log says what it holds.
  bool ChooseFirmwareFile(const QString& path);
  // A firmware file dropped on the window or named on the command line:
  // opened as the open button opens it. Refused (false) while an operation
  // runs, or when `path` is not an existing file (the log says so).
  bool OpenFirmwareFile(const QString& path);
  // The file dialog run modally; any popup of its name completer is closed
  // with it. The default FileChooser.
  static QString RunFileDialog(QFileDialog& dialog);
  // Runs the file dialog and returns the chosen path, empty for Cancel.
  using FileChooser = std::function<QString(QFileDialog& dialog)>;
  void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

  // --- Log and About (TfrmMainLog.cpp) --------------------------------------
  void ClearClick();  // the hidden dump Memo1
  // The log's menu: the whole log to the clipboard, or into a file.
  void CopyLog();
  bool SaveLog(const QString& path);
  void ShowAbout();
  // The log's menu and the window's menu at a global position; refused
  // (false) while the link runs.
  bool ShowLogMenuAt(const QPoint& globalPosition);
  bool ShowWindowMenuAt(const QPoint& globalPosition);
  // Asks for the file to save the log in; empty for Cancel.
  // `suggested` is a full path: the last folder and SuggestedLogName().
  using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
  // "canalarm-log-2026-12-09-1404-COM3.txt": the date, time and port, with
  // the first word in the window's language.
  QString SuggestedLogName(const QDateTime& now) const;
  void SetSaveFileChooser(SaveFileChooser chooser) { saveChooser_ = std::move(chooser); }
  // Shows the About box (a message box by default).
  using AboutPresenter = std::function<void(const QString& title, const QString& text)>;
  void SetAboutPresenter(AboutPresenter presenter) { aboutPresenter_ = std::move(presenter); }

  // --- Parts, for the tests ---------------------------------------------------
  serl::TSerlComPort& ComPort() { return comPort_; }
  SharedImages& Shared() { return shared_; }
  TForm1& HelpWindow() { return *help_; }
  WindowLinkHost& Host() { return *host_; }
  WindowParameterTab& ParametersTab() { return *parametersTab_; }
  HandlerGuard& Guard() { return *guard_; }
  // Opens a web address (the system's browser by default).
  using UrlOpener = std::function<void(const QString& address)>;
  void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Controls (TfrmMainControls.cpp).
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
  // What a command does: works in the window alone (open, help), reads the
  // module, or writes it (closing asks to cancel first).
  enum class CommandKind { Local, Read, Write };
  // A command button: guarded, and ignored while another command runs.
  void BindCommand(QAbstractButton* button, void (TfrmMain::*handler)(),
                   CommandKind kind = CommandKind::Local);
  // Keyboard shortcuts (F1, Ctrl+O, Esc).
  void BindKeys();

  // Commands (TfrmMain.cpp).
  void RunCommand(void (TfrmMain::*handler)(), CommandKind kind);
  // Runs an operation; a port lost on the way ends it as a failure in words.
  void RunOperation(void (TfrmMain::*handler)());
  void ShowPortLost();
  // The result of the operation that just ended, on its tab's bar.
  void ShowOperationResult();
  void CommandFinished();
  // Enables the controls as the running state says: while an operation
  // runs only Cancel; otherwise everything but Cancel, with the write and
  // help buttons and BitBtn1 as their own rules say.
  void ApplyCommandState();
  // After a failed port open: the log line that says why; for an operation
  // of the parameters tab also the status field's tooltip.
  void ExplainPortOpenFailure(bool parametersTab = false);
  // After a read: says so when the module holds no valid program number.
  void ExplainProgramNumber();
  // Before the first read, the parameters tab's status says nothing was read.
  void ShowNothingRead();
  void PrepareLink();
  // The backup of a write from this window, on the chosen port.
  BackupPlan PlanBackup(const std::string& file);

  // Language and brand (TfrmMainLanguage.cpp).
  Language CurrentLanguage() const;
  void ApplyCaptions(CaptionGroup group, Language language);
  void ApplyBrand(const BrandChoice& choice);
  void SetTitle(const QString& title);
  void ShowStartBrand();
  void LoadQtTranslation(Language language);
  // The language chosen in the list at an earlier run, if not English.
  void RestoreLanguageChoice();

  // Port and speed (TfrmMainPorts.cpp).
  struct SpeedButton {
    QRadioButton* button;
    int baud;
  };
  // The one map between the speed buttons and their speeds.
  std::array<SpeedButton, 3> SpeedButtons() const;
  void ShowPortItems();
  void RememberPortChoice();
  void RestorePortChoice();

  // Log and About (TfrmMainLog.cpp).
  // The default SaveFileChooser and AboutPresenter: a file dialog and a
  // message box.
  static QString RunSaveDialog(QWidget* parent, const QString& suggested);
  void PresentAbout(const QString& title, const QString& text);

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
  TPortComboBox* cbPort = nullptr;
  QLineEdit* Edit2 = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QRadioButton* RadioButton22 = nullptr;
  QRadioButton* RadioButton23 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
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
  // The language list, its label and the About button.
  QComboBox* cbLanguage = nullptr;
  QLabel* lblLanguage = nullptr;
  QToolButton* btnAbout = nullptr;
  // The customer's settings: kept across an upload; Cancel and Restore on
  // the parameters tab.
  QCheckBox* cbKeepSettings = nullptr;
  QPushButton* btnParamsCancel = nullptr;
  QPushButton* btnRestore = nullptr;

  std::unique_ptr<QTranslator> qtTranslator_;
  std::unique_ptr<HandlerGuard> guard_;
  std::unique_ptr<WindowLinkHost> host_;
  std::unique_ptr<WindowParameterTab> parametersTab_;
  std::unique_ptr<BootloaderLink> link_;
  std::unique_ptr<TForm1> help_;
  FileChooser fileChooser_;
  UrlOpener urlOpener_;
  PortDescriber portDescriber_;
  std::vector<PortFacts> portFacts_;  // of cbPort's items, as last described
  SaveFileChooser saveChooser_;
  AboutPresenter aboutPresenter_;
  BackupChooser backupChooser_;
  BackupStore backups_;
  bool commandRunning_ = false;
  CommandKind runningKind_ = CommandKind::Local;
  ProgressBarId runningBar_ = ProgressBarId::Programming;
  std::optional<LinkOutcome> lastOutcome_;
  ControlHold hold_;
  QPointer<QWidget> focusAfter_;  // gets the focus when the command ends
  bool closePending_ = false;
  bool closeWarned_ = false;  // a close during a write was answered once
  bool moduleRead_ = false;   // a parameter read has succeeded in this window
};

}  // namespace canalarm::ui

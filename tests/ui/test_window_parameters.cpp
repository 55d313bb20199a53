// SPDX-License-Identifier: MIT
// The parameters tab: fill and fold through the widgets, the PIN field, and
// the wiring of the mode captions, the FS1/FS3 interlock and the spin
// buttons (their rules are tested in tests/params: one row per handler here).
#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <array>

#include "WindowTestSupport.h"
#include "params/ParameterBlock.h"
#include "ui/WindowParameterTab.h"

using namespace canalarm;
using namespace canalarm::test;

namespace {

using Eeprom = std::array<std::uint8_t, 256>;

Eeprom Erased() {
  Eeprom image;
  image.fill(0xFF);
  return image;
}

// The four PIN bytes in the order of the field's characters.
std::array<int, 4> PinBytes(const Eeprom& image) {
  return {image[0x26], image[0x66], image[0x27], image[0x67]};
}

}  // namespace

class TestWindowParameters : public QObject {
  Q_OBJECT

 private slots:
  void fillOfAnErasedModuleRunsTheHandlers() {
    WindowUnderTest w;
    w.window->ParametersTab().Fill(FillParameters(Erased()));
    for (const char* one : {"RadioButton4", "RadioButton7", "RadioButton9", "RadioButton11",
                            "RadioButton13", "RadioButton15", "RadioButton17", "RadioButton21",
                            "RadioButton19", "RadioButton23", "CheckBox1", "CheckBox3"})
      QVERIFY2(w.Checked(one), one);
    // FS3 comes after FS1 and clears it.
    QVERIFY(!w.Checked("CheckBox2"));
    // An erased module has no PIN: the field shows none.
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("    "));
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), QStringLiteral("FF"));
    QCOMPARE(w.window->ParametersTab().SpinValue(), 165);
    // Checking FA ran the mode handler.
    QCOMPARE(w.Find<QGroupBox>("GroupBox8")->title(), QStringLiteral("(4) FA mode "));
    QCOMPARE(w.Find<QGroupBox>("GroupBox10")->title(), QStringLiteral("(5) FA delay "));
  }

  void fillThenFoldGivesTheModuleItsBytesBack_data() {
    QTest::addColumn<int>("option1");
    QTest::addColumn<int>("option2");
    QTest::addColumn<int>("option2Written");
    QTest::addColumn<int>("program");
    QTest::newRow("all clear") << 0x00 << 0x00 << 0x00 << 0x11;
    QTest::newRow("all set") << 0xFF << 0xFF << 0x9A << 0x99;  // FS1 gives way to FS3
    QTest::newRow("unused bits dropped") << 0xA5 << 0xE1 << 0x80 << 0x37;
    QTest::newRow("FS1 alone") << 0x5A << 0x06 << 0x06 << 0x21;
  }
  void fillThenFoldGivesTheModuleItsBytesBack() {
    QFETCH(int, option1);
    QFETCH(int, option2);
    QFETCH(int, option2Written);
    QFETCH(int, program);
    WindowUnderTest w;
    Eeprom image = Erased();
    image[0x21] = static_cast<std::uint8_t>(option1);
    image[0x61] = static_cast<std::uint8_t>(option2);
    image[0x28] = static_cast<std::uint8_t>(program);
    for (std::uint8_t address : kPinDigitAddresses) image[address] = 7;
    w.window->ParametersTab().Fill(FillParameters(image));

    Eeprom folded{};
    FoldParameters(w.window->ParametersTab().Current(), folded);
    QCOMPARE(int{folded[0x21]}, option1);
    QCOMPARE(int{folded[0x61]}, option2Written);
    QCOMPARE(int{folded[0x28]}, program);
    QCOMPARE(PinBytes(folded), (std::array<int, 4>{7, 7, 7, 7}));
  }

  void anUntouchedFieldIsBlankAndFoldsToNothing() {
    WindowUnderTest w;
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("    "));
    Eeprom folded = Erased();
    QVERIFY_THROWS_EXCEPTION(ParameterError,
                             FoldParameters(w.window->ParametersTab().Current(), folded));
    QCOMPARE(folded, Erased());
  }

  // Only four typed digits fold; a blank position is never a digit.
  void typedPinFoldsOnlyWhenComplete_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("folded");  // the four bytes, or empty when refused
    QTest::newRow("0907") << "0907" << "0907" << "0907";
    QTest::newRow("typed twos") << "1232" << "1232" << "1232";
    QTest::newRow("one digit") << "7" << "7   " << "";
    QTest::newRow("two digits") << "58" << "58  " << "";
    QTest::newRow("letters refused") << "4x1y" << "41  " << "";
  }
  void typedPinFoldsOnlyWhenComplete() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, folded);
    WindowUnderTest w;
    auto* pin = w.Find<QLineEdit>("PIN");
    pin->setFocus();
    pin->setCursorPosition(0);
    QTest::keyClicks(pin, typed);
    QCOMPARE(pin->displayText(), shown);
    Eeprom image = Erased();
    if (folded.isEmpty()) {
      QVERIFY_THROWS_EXCEPTION(ParameterError,
                               FoldParameters(w.window->ParametersTab().Current(), image));
      QCOMPARE(image, Erased());
      return;
    }
    FoldParameters(w.window->ParametersTab().Current(), image);
    std::array<int, 4> expected{};
    for (int i = 0; i < 4; ++i) expected[i] = folded.at(i).digitValue();
    QCOMPARE(PinBytes(image), expected);
  }

  // A module without a PIN keeps its bytes unless four digits are typed.
  void moduleWithoutPinKeepsItsBytes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("kept");
    QTest::newRow("nothing typed") << "" << true;
    QTest::newRow("four typed") << "0907" << false;
  }
  void moduleWithoutPinKeepsItsBytes() {
    QFETCH(QString, typed);
    QFETCH(bool, kept);
    WindowUnderTest w;
    Eeprom image = Erased();
    const std::array<std::uint8_t, 4> pin{0x0C, 0x03, 0x04, 0x05};
    for (std::size_t i = 0; i < 4; ++i) image[kPinDigitAddresses[i]] = pin[i];
    w.window->ParametersTab().Fill(FillParameters(image));
    QCOMPARE(w.Find<QLineEdit>("PIN")->displayText(), QStringLiteral("    "));
    auto* field = w.Find<QLineEdit>("PIN");
    field->setFocus();
    field->setCursorPosition(0);
    QTest::keyClicks(field, typed);
    Eeprom folded = image;
    FoldParameters(w.window->ParametersTab().Current(), folded);
    QCOMPARE(PinBytes(folded), kept ? (std::array<int, 4>{0x0C, 3, 4, 5}) : (std::array<int, 4>{0, 9, 0, 7}));
  }

  void modeCaptionsFollowTheMode_data() {
    QTest::addColumn<char>("code");
    QTest::addColumn<QString>("fa4");
    QTest::addColumn<QString>("fa5");
    QTest::newRow("EN") << '1' << "(4) FA mode " << "(5) FA delay ";
  }
  void modeCaptionsFollowTheMode() {
    QFETCH(char, code);
    QFETCH(QString, fa4);
    QFETCH(QString, fa5);
    WindowUnderTest w;
    w.window->zmiana_jezyka(code);
    auto* group4 = w.Find<QGroupBox>("GroupBox8");
    auto* group5 = w.Find<QGroupBox>("GroupBox10");
    const QString fi4 = group4->title();
    const QString fi5 = group5->title();
    w.Button("RadioButton23")->click();
    QCOMPARE(group4->title(), fa4);
    QCOMPARE(group5->title(), fa5);
    w.Button("RadioButton22")->click();
    QCOMPARE(group4->title(), fi4);
    QCOMPARE(group5->title(), fi5);
  }

  void languageChangeWritesTheFiFormWhileFaStaysChecked() {
    WindowUnderTest w;
    w.Button("RadioButton23")->setChecked(true);
    w.window->zmiana_jezyka('2');
    QVERIFY(w.Checked("RadioButton23"));
    QCOMPARE(w.Find<QGroupBox>("GroupBox8")->title(), QStringLiteral("(4) FI-Modus "));
    // The next change of mode brings the captions in line again.
    w.Button("RadioButton22")->setChecked(true);
    w.Button("RadioButton23")->setChecked(true);
    QCOMPARE(w.Find<QGroupBox>("GroupBox8")->title(), QStringLiteral("(4) FA-Modus "));
  }

  void hazardLightsInterlock_data() {
    QTest::addColumn<bool>("fs1");
    QTest::addColumn<bool>("fs2");
    QTest::addColumn<bool>("fs3");
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<bool>("fs1After");
    QTest::addColumn<bool>("fs2After");
    QTest::addColumn<bool>("fs3After");
    QTest::newRow("FS3 clears FS1") << true << false << false << "CheckBox3" << false << false << true;
    QTest::newRow("FS1 clears FS3") << false << true << true << "CheckBox2" << true << true << false;
  }
  void hazardLightsInterlock() {
    QFETCH(bool, fs1);
    QFETCH(bool, fs2);
    QFETCH(bool, fs3);
    QFETCH(QString, toggle);
    QFETCH(bool, fs1After);
    QFETCH(bool, fs2After);
    QFETCH(bool, fs3After);
    WindowUnderTest w;
    w.Button("CheckBox2")->setChecked(fs1);
    w.Button("CheckBox1")->setChecked(fs2);
    w.Button("CheckBox3")->setChecked(fs3);
    w.Button(toggle.toLatin1().constData())->click();
    QCOMPARE(w.Checked("CheckBox2"), fs1After);
    QCOMPARE(w.Checked("CheckBox1"), fs2After);
    QCOMPARE(w.Checked("CheckBox3"), fs3After);
  }

  void spinButtonsStepTheProgramNumber_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("after");
    QTest::newRow("19 up") << "19" << true << "21";
    QTest::newRow("21 down") << "21" << false << "19";
  }
  void spinButtonsStepTheProgramNumber() {
    QFETCH(QString, start);
    QFETCH(bool, up);
    QFETCH(QString, after);
    WindowUnderTest w;
    Eeprom image = Erased();
    image[0x28] = static_cast<std::uint8_t>(start.toInt(nullptr, 16));
    w.window->ParametersTab().Fill(FillParameters(image));
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), start);
    auto* arrow = w.Find<QToolButton>(up ? "SpinButton1Up" : "SpinButton1Down");
    QTest::mouseClick(arrow, Qt::LeftButton);
    QCOMPARE(w.Find<QLineEdit>("MaskEdit1")->text(), after);
    // The field's text is what the write folds.
    Eeprom folded{};
    FoldParameters(w.window->ParametersTab().Current(), folded);
    QCOMPARE(int{folded[0x28]}, after.toInt(nullptr, 16));
  }
};

QTEST_MAIN(TestWindowParameters)
#include "test_window_parameters.moc"

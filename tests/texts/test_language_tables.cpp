// SPDX-License-Identifier: MIT
// The languages, the caption and message tables, the message set, the brand
// variants and the window's own texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "texts/BrandVariants.h"
#include "texts/Language.h"
#include "texts/LanguageTables.h"
#include "texts/MessageSet.h"
#include "texts/WindowTexts.h"

namespace canalarm {
namespace {

// Decodes UTF-8 strictly (no overlong forms, no surrogates, nothing above
// U+10FFFF); nullopt for malformed input.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      length = 1, cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + length > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    out.push_back(cp);
    i += length;
  }
  return out;
}

bool ContainsCyrillic(std::string_view text) {
  const auto decoded = DecodeUtf8(text);
  return decoded && std::any_of(decoded->begin(), decoded->end(),
                                [](char32_t c) { return c >= 0x0400 && c <= 0x04FF; });
}

// Every text of both tables, labelled for failure messages.
struct LabelledText {
  std::string label;
  Language language;
  std::string_view text;
};

std::vector<LabelledText> AllTexts() {
  std::vector<LabelledText> texts;
  for (Language language : kAllLanguages) {
    const std::string lang{LanguageAbbreviation(language)};
    for (const CaptionRow& row : AllCaptions()) {
      texts.push_back({lang + " " + std::string{row.control}, language, row.Text(language)});
    }
    for (MessageRole role : kAllMessageRoles) {
      texts.push_back({lang + " " + std::string{MessageRoleName(role)}, language,
                       Message(language, role)});
    }
  }
  return texts;
}

// ---- Languages --------------------------------------------------------------

TEST(Language, CodesZeroToSixRoundTrip) {
  for (Language language : kAllLanguages) {
    const char code = LanguageCode(language);
    EXPECT_EQ(LanguageFromCode(code), language) << code;
  }
  EXPECT_EQ(LanguageFromCode('0'), Language::Polish);
  EXPECT_EQ(LanguageFromCode('3'), Language::Russian);
  EXPECT_EQ(LanguageFromCode('6'), Language::Hungarian);
}

TEST(Language, OtherCodesNameNoLanguage) {
  for (char code : {'7', '8', '9', '/', ':', 'a', 'P', ' ', '\0', '\xff'}) {
    EXPECT_FALSE(LanguageFromCode(code).has_value()) << static_cast<int>(code);
  }
}

TEST(Language, RadioButtonsLang1ToLang7) {
  EXPECT_EQ(LanguageRadioButton(Language::Polish), "lang1");
  EXPECT_EQ(LanguageRadioButton(Language::Hungarian), "lang7");
  for (Language language : kAllLanguages) {
    EXPECT_EQ(LanguageFromRadioButton(LanguageRadioButton(language)), language);
  }
  for (std::string_view name : {"lang8", "lang9", "lang0", "lang", "", "RadioGroup1"}) {
    EXPECT_FALSE(LanguageFromRadioButton(name).has_value()) << name;
  }
}

// ---- Caption table structure --------------------------------------------------

TEST(Captions, GroupsAreWrittenInLanguageChangeOrder) {
  const std::vector<std::string_view> expected{
      // programming tab
      "bbOpen", "bbUpload", "Button1", "Button2", "Button3", "RadioGroup1", "GroupBox1",
      "GroupBox2", "GroupBox3", "cbKeepSettings",
      // tab pages
      "TabSheet1", "TabSheet2",
      // parameters tab
      "GroupBox5", "RadioButton4", "RadioButton5", "GroupBox6", "RadioButton6", "RadioButton7",
      "GroupBox7", "RadioButton8", "RadioButton9", "GroupBox17", "RadioButton22",
      "RadioButton23", "GroupBox8", "RadioButton10", "RadioButton11", "GroupBox10",
      "RadioButton12", "RadioButton13", "GroupBox11", "RadioButton14", "RadioButton15",
      "GroupBox12", "RadioButton16", "RadioButton17", "GroupBox14", "RadioButton20",
      "RadioButton21", "GroupBox13", "RadioButton18", "RadioButton19", "GroupBox16",
      "CheckBox2", "CheckBox1", "CheckBox3", "GroupBox4", "BitBtn2", "BitBtn1",
      "btnParamsCancel", "btnRestore", "GroupBox9", "GroupBox15"};

  std::vector<std::string_view> byGroup;
  for (CaptionGroup group : kAllCaptionGroups) {
    for (const CaptionRow& row : Captions(group)) byGroup.push_back(row.control);
  }
  EXPECT_EQ(byGroup, expected);
  EXPECT_EQ(Captions(CaptionGroup::ProgrammingTab).back().control, "cbKeepSettings");
  EXPECT_EQ(Captions(CaptionGroup::TabPages).front().control, "TabSheet1");
  EXPECT_EQ(Captions(CaptionGroup::ParametersTab).front().control, "GroupBox5");

  std::vector<std::string_view> all;
  for (const CaptionRow& row : AllCaptions()) all.push_back(row.control);
  EXPECT_EQ(all, expected);
  EXPECT_EQ(std::set<std::string_view>(all.begin(), all.end()).size(), all.size())
      << "duplicate control";
}

TEST(Captions, ControlsNoLanguageChangesHaveNoCaption) {
  for (std::string_view control :
       {"", "Button4", "Clear", "lang1", "dravon", "EEPROM", "bbopen", "bbOpen "}) {
    EXPECT_TRUE(Caption(Language::English, control).empty()) << control;
  }
}

// ---- Texts --------------------------------------------------------------------

TEST(Texts, EveryCaptionAndMessageIsSetInEveryLanguage) {
  for (const LabelledText& t : AllTexts()) {
    EXPECT_FALSE(t.text.empty()) << t.label;
  }
}

TEST(Texts, AllValidUtf8WithoutControlCharacters) {
  for (const LabelledText& t : AllTexts()) {
    const auto decoded = DecodeUtf8(t.text);
    ASSERT_TRUE(decoded.has_value()) << t.label;
    EXPECT_TRUE(std::none_of(decoded->begin(), decoded->end(),
                             [](char32_t c) { return c < 0x20 || c == 0x7F; }))
        << t.label;
  }
}

struct ExactText {
  Language language;
  std::string_view key;  // control name or role name
  std::string_view text;
};

std::string_view Lookup(Language language, std::string_view key) {
  if (auto role = MessageRoleFromName(key)) return Message(language, *role);
  return Caption(language, key);
}

TEST(Texts, ExactTextsKeepSpacesAndSpellings) {
  const ExactText cases[] = {
      {Language::Polish, "GroupBox17", " Tryb pracy "},
      {Language::Polish, "GroupBox10", "(5) Opóźnienie FI"},
      {Language::Polish, "msgFlashWriteError", "Błąd zapisu pamięci FLASH "},
      {Language::Polish, "msgReadingEeprom", "Odczyt EEPROM..."},
      {Language::English, "RadioButton6", "Off "},
      {Language::English, "RadioButton8", "Off"},
      {Language::English, "GroupBox3", "Command"},
      {Language::English, "msgSearching", "Waiting for bootloader..."},
      {Language::English, "msgCancelled", "Cancel"},
      {Language::German, "CheckBox1", "FS2 (Ladungs/Enlatungssequenz) "},
      {Language::German, "GroupBox14", "(8) Fenster schließen "},
      {Language::German, "msgPortOpenError", "Fehler Port Öffnen"},
      {Language::German, "msgDone", "Fertig"},
      {Language::Russian, "GroupBox1", "Port"},
      {Language::Russian, "GroupBox12", "(7) Smart KEY "},
      {Language::Russian, "RadioButton19", "LiteON"},
      {Language::Russian, "msgOK", "OK"},
      {Language::Slovak, "bbOpen", "Orvoriť súbor"},
      {Language::Slovak, "msgNoFileSelected", "Súbor nebol vybran"},
      {Language::Slovak, "msgFlashWriteError", "Chyba ukladania pamäti FLASH"},
      {Language::Czech, "GroupBox15", "Č. programu CAN"},
      {Language::Czech, "msgFlashWriteError", "Chyba ukládání paměti FLASH "},
      {Language::Czech, "CheckBox1", "FS2 (sekv. aktiv./deaktiv.) "},
      {Language::Hungarian, "GroupBox16", "(10) Vészvillogók FI"},
      {Language::Hungarian, "TabSheet2", "Műkodési paraméterek"},
      {Language::Hungarian, "GroupBox17", " Funkcó "},
      {Language::Hungarian, "msgNoBootloader", "Bootloader nemválaszol"},
  };
  for (const ExactText& c : cases) {
    EXPECT_EQ(Lookup(c.language, c.key), c.text)
        << LanguageAbbreviation(c.language) << " " << c.key;
  }
}

TEST(Texts, ReadingEepromIsEnglishInEveryLanguageButPolish) {
  for (Language language : kAllLanguages) {
    const std::string_view text = Message(language, MessageRole::msgReadingEeprom);
    if (language == Language::Polish) {
      EXPECT_EQ(text, "Odczyt EEPROM...");
    } else {
      EXPECT_EQ(text, "Reading EEPROM...") << LanguageAbbreviation(language);
    }
  }
}

TEST(Texts, ProgramVersionMessageMatchesItsGroupCaption) {
  // The same words label the version group and prefix the version log line.
  for (Language language : kAllLanguages) {
    EXPECT_EQ(Message(language, MessageRole::msgProgramVersion), Caption(language, "GroupBox2"))
        << LanguageAbbreviation(language);
  }
}

// The mode handler swaps the first upper-case 'I' for 'A' to show the FA form.
TEST(Texts, ModeDependentCaptionsTurnIntoFaAtTheirFirstCapitalI) {
  for (Language language : kAllLanguages) {
    for (std::string_view control : {"GroupBox8", "GroupBox10"}) {
      std::string text{Caption(language, control)};
      const auto fi = text.find("FI");
      ASSERT_NE(fi, std::string::npos) << LanguageAbbreviation(language) << " " << control;
      const auto firstI = text.find('I');
      EXPECT_EQ(firstI, fi + 1) << LanguageAbbreviation(language) << " " << control;
      text[firstI] = 'A';
      EXPECT_NE(text.find("FA"), std::string::npos);
      EXPECT_EQ(text.find('I'), std::string::npos) << "a second FI would stay unchanged";
    }
  }
}

// Russian cells written wholly in Latin letters are the same in every language;
// all the others are our own translations and must be Cyrillic.
TEST(Texts, RussianTextsAreCyrillicExceptTheSharedLatinOnes) {
  const std::set<std::string_view> latinInRussian{
      "GroupBox1", "RadioButton22", "RadioButton23", "GroupBox12",
      "RadioButton19", "msgOK", "msgReadingEeprom"};
  auto check = [&](std::string_view key) {
    const std::string_view russian = Lookup(Language::Russian, key);
    if (latinInRussian.contains(key)) {
      EXPECT_EQ(russian, Lookup(Language::English, key)) << key;
    } else {
      EXPECT_TRUE(ContainsCyrillic(russian)) << key << ": " << russian;
    }
  };
  for (const CaptionRow& row : AllCaptions()) check(row.control);
  for (MessageRole role : kAllMessageRoles) check(MessageRoleName(role));
}

TEST(Texts, OnlyRussianUsesCyrillic) {
  for (const LabelledText& t : AllTexts()) {
    if (t.language != Language::Russian) {
      EXPECT_FALSE(ContainsCyrillic(t.text)) << t.label;
    }
  }
}

// Where the six given languages agree on a leading or trailing space, the
// Russian text follows them.
TEST(Texts, RussianFollowsTheSpacingTheOtherLanguagesAgreeOn) {
  auto checkRow = [](std::string_view key, auto textOf) {
    for (bool leading : {true, false}) {
      auto spaced = [leading](std::string_view s) {
        return !s.empty() && (leading ? s.front() : s.back()) == ' ';
      };
      int withSpace = 0;
      for (Language language : kAllLanguages) {
        if (language != Language::Russian && spaced(textOf(language))) ++withSpace;
      }
      if (withSpace == 0 || withSpace == static_cast<int>(kLanguageCount) - 1) {
        EXPECT_EQ(spaced(textOf(Language::Russian)), withSpace > 0)
            << key << (leading ? " leading" : " trailing");
      }
    }
  };
  for (const CaptionRow& row : AllCaptions()) {
    checkRow(row.control, [&row](Language l) { return row.Text(l); });
  }
  for (MessageRole role : kAllMessageRoles) {
    checkRow(MessageRoleName(role), [role](Language l) { return Message(l, role); });
  }
}

// ---- Message roles and the message set ----------------------------------------

TEST(MessageRoles, NamesRoundTripAndAreDistinct) {
  std::set<std::string_view> names;
  for (MessageRole role : kAllMessageRoles) {
    EXPECT_EQ(MessageRoleFromName(MessageRoleName(role)), role) << MessageRoleName(role);
    names.insert(MessageRoleName(role));
  }
  EXPECT_EQ(names.size(), kMessageRoleCount);
  EXPECT_EQ(MessageRoleName(MessageRole::msgCancelled), "msgCancelled");
  EXPECT_EQ(MessageRoleName(MessageRole::msgReadingEeprom), "msgReadingEeprom");
  EXPECT_EQ(kAllMessageRoles.back(), MessageRole::msgModuleChanged);
  EXPECT_FALSE(MessageRoleFromName("msgcancelled").has_value());
  EXPECT_FALSE(MessageRoleFromName("brandWebAddress").has_value());
}

TEST(MessageSet, HoldsPolishAndFirstBrandAddressAtLoad) {
  const MessageSet set;
  for (MessageRole role : kAllMessageRoles) {
    EXPECT_EQ(set.Text(role), Message(Language::Polish, role)) << MessageRoleName(role);
  }
  EXPECT_EQ(set.BrandWebAddress(), Brand(BrandVariant::Selmo).webAddress);
}

TEST(MessageSet, RefillRewritesEveryTextAndKeepsTheAddress) {
  for (Language language : kAllLanguages) {
    MessageSet set;
    set.SetBrandWebAddress(Brand(BrandVariant::Korra).webAddress);
    set.Refill(language);
    for (MessageRole role : kAllMessageRoles) {
      EXPECT_EQ(set.Text(role), Message(language, role))
          << LanguageAbbreviation(language) << " " << MessageRoleName(role);
    }
    EXPECT_EQ(set.BrandWebAddress(), Brand(BrandVariant::Korra).webAddress);
  }
  MessageSet roundTrip;
  roundTrip.Refill(Language::Hungarian);
  roundTrip.Refill(Language::Polish);
  EXPECT_EQ(roundTrip, MessageSet{});
}

// ---- Brand variants --------------------------------------------------------------

TEST(Brands, VariantsInBrandListOrder) {
  const std::string_view codes[] = {"SE", "DV", "UBRIX", "KOR"};
  const std::string_view titles[] = {"SELMO BOOTLOADER", "DRAVON BOOTLOADER",
                                     "TARVEX BOOTLOADER", "KORRA BOOTLOADER"};
  const std::string_view logos[] = {"Selmo_image", "Dravon_image", "ubrix_image", "kor_image"};
  for (BrandVariant variant : kAllBrandVariants) {
    const BrandInfo& brand = Brand(variant);
    const std::size_t i = BrandIndex(variant);
    EXPECT_EQ(brand.variant, variant);
    EXPECT_EQ(brand.listCode, codes[i]);
    EXPECT_EQ(brand.title, titles[i]);
    EXPECT_EQ(brand.logo, logos[i]);
    EXPECT_FALSE(brand.webAddress.empty()) << brand.title;
  }
}

// Each row worked out by hand from the rule: the language, the dravon box
// and the brand list's item (-1 none, 4 past the end) give the variant whose
// title and address apply and the one logo shown, if any.
TEST(Brands, ChoiceByLanguageDravonBoxAndBrandList) {
  using enum BrandVariant;
  const struct {
    Language language;
    bool dravon;
    int listIndex;
    BrandVariant variant;
    std::string_view logoShown;  // empty: none
  } cases[] = {
      {Language::Polish, false, 1, Selmo, "Selmo_image"},
      {Language::Polish, true, 1, Dravon, "Dravon_image"},
      {Language::Polish, true, -1, Dravon, "Dravon_image"},
      {Language::English, false, 0, Selmo, "Selmo_image"},
      {Language::English, false, 1, Dravon, "Dravon_image"},
      {Language::English, false, 2, Ubrix, "ubrix_image"},
      {Language::English, true, 3, Korra, "kor_image"},
      {Language::English, false, -1, Selmo, ""},
      {Language::English, true, 4, Selmo, ""},
      {Language::German, true, 0, Ubrix, "ubrix_image"},
      {Language::German, false, -1, Ubrix, "ubrix_image"},
      {Language::Russian, false, 3, Selmo, "Selmo_image"},
      {Language::Russian, true, 1, Selmo, "Selmo_image"},
      {Language::Slovak, false, 0, Korra, "kor_image"},
      {Language::Czech, true, 2, Korra, "kor_image"},
      {Language::Hungarian, false, -1, Korra, "kor_image"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << LanguageAbbreviation(c.language) << " dravon=" << c.dravon
                                    << " index=" << c.listIndex);
    const BrandChoice choice = ChooseBrand(c.language, c.dravon, c.listIndex);
    EXPECT_EQ(choice.variant, c.variant);
    EXPECT_EQ(choice.title, Brand(c.variant).title);
    EXPECT_EQ(choice.webAddress, Brand(c.variant).webAddress);
    std::vector<std::string_view> listed, shown;
    for (const LogoVisibility& logo : choice.logos) {
      listed.push_back(logo.logo);
      if (logo.visible) shown.push_back(logo.logo);
    }
    EXPECT_EQ(listed, (std::vector<std::string_view>{"Selmo_image", "Dravon_image", "ubrix_image",
                                                     "kor_image"}));
    EXPECT_EQ(shown, c.logoShown.empty() ? std::vector<std::string_view>{}
                                         : std::vector<std::string_view>{c.logoShown});
  }
}

// The window's own texts: set in every language, valid UTF-8, each
// language's own words (only the few shared terms may repeat English), and
// every placeholder the English text has is in every translation.
TEST(WindowTexts, EveryTextInEveryLanguageWithItsPlaceholders) {
  for (std::size_t i = 0; i < kWindowTextCount; ++i) {
    const auto text = static_cast<WindowText>(i);
    const std::string_view english = Text(Language::English, text);
    for (Language language : kAllLanguages) {
      const std::string_view translated = Text(language, text);
      ASSERT_FALSE(translated.empty()) << i;
      EXPECT_TRUE(DecodeUtf8(translated).has_value()) << translated;
      for (std::string_view mark : {"%1", "%2"})
        EXPECT_EQ(english.find(mark) != std::string_view::npos,
                  translated.find(mark) != std::string_view::npos)
            << translated;
    }
    if (text != WindowText::Version && text != WindowText::Licence) {
      EXPECT_NE(Text(Language::Polish, text), english) << english;
    }
  }
}

TEST(WindowTexts, LanguagesNamedInThemselves) {
  const std::vector<std::string_view> names{"Polski",     "English",  "Deutsch", "Русский",
                                            "Slovenčina", "Čeština", "Magyar"};
  for (Language language : kAllLanguages)
    EXPECT_EQ(NativeLanguageName(language), names[LanguageIndex(language)]);
}

TEST(WindowTexts, FillInAndMinutes) {
  EXPECT_EQ(FillIn("%1 left", "0:07"), "0:07 left");
  EXPECT_EQ(FillIn("%2 after %1, 100%", "a", "b"), "b after a, 100%");
  EXPECT_EQ(MinutesSeconds(0), "0:00");
  EXPECT_EQ(MinutesSeconds(59), "0:59");
  EXPECT_EQ(MinutesSeconds(61), "1:01");
  EXPECT_EQ(MinutesSeconds(754), "12:34");
  EXPECT_EQ(MinutesSeconds(-5), "0:00");
}

TEST(WindowTexts, AboutTextInTheLanguageWithVersionAndAddress) {
  EXPECT_EQ(AboutText(Language::English, "9.8.7", "https://brand.example"),
            "canalarm-gui\nVersion 9.8.7\nLicence: MIT\n"
            "Copyright (c) 2026 The canalarm developers\nWeb address: https://brand.example");
  const std::string german = AboutText(Language::German, "", "https://brand.example");
  EXPECT_NE(german.find("\nVersion ?\nLizenz: MIT\n"), std::string::npos) << german;
  EXPECT_NE(german.find("\nWebadresse: https://brand.example"), std::string::npos) << german;
}

}  // namespace
}  // namespace canalarm

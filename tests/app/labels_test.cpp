// Language list and label files: fields, conversion errors, language changes, MultiDisplay.
#include "tests/app/wizard_scenario.h"

namespace {

class LabelsTest : public WizardScenario {};

TEST_F(LabelsTest, ColourFieldsInDecimalAndHexadecimalAreApplied) {
  WriteLanguage("English", {"LabelInstall=Installing...,255", "LabelSelectLang=Pick :,$00FF00",
                            "LabelVersion=V, 0x0000FF,,Arial,12,1,2,3,4",
                            "LabelAudioExt=A,,,,,,,,,99,bad-ignored-tenth-field"});
  auto person = Run("cancel");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(person->View(u"InstallLabel").font.color, 255u);  // red
  EXPECT_EQ(person->View(u"SelectLangLabel").font.color, 0x00FF00u);
  const auto& version = person->View(u"VersionLabel");
  EXPECT_EQ(version.font.color, 0xFFu);  // a blank after the comma is accepted
  EXPECT_EQ(version.font.name, u"Arial");
  EXPECT_EQ(version.font.height, -16);  // 12 points
  EXPECT_EQ(version.left, 1);
  EXPECT_EQ(version.top, 2);
  EXPECT_EQ(version.width, 3);
  EXPECT_EQ(version.height, 4);
  // Fields from the tenth on are ignored; empty ones keep the design values.
  EXPECT_EQ(person->View(u"AudioExtLabel").left, 184);
  EXPECT_EQ(person->View(u"AudioExtLabel").height, 16);
}

TEST_F(LabelsTest, TextOnlyValueKeepsTheDesignColour) {
  WriteLanguage("English", {"LabelInstall=Installing..."});
  auto person = Run("cancel");
  EXPECT_EQ(person->View(u"InstallLabel").font.color, ui::clWindowText);
  EXPECT_EQ(person->View(u"InstallLabel").font.height, -13);
}

TEST_F(LabelsTest, TrailingHIsAConversionErrorThatStopsTheRestOfFormShow) {
  WriteLanguage("English", {"LabelNextBtn=Go", "LabelInstall=Installing...,FFh", "LabelTitle=T"});
  auto person = Run("cancel");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"'FFh' is not a valid integer value");
  // ApplyLabels never ran: the design captions stay.
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"Next >");
  EXPECT_EQ(DebugText().find("Save level"), std::string::npos);
}

TEST_F(LabelsTest, NullTextHidesALabelButIsABUttonCaption) {
  WriteLanguage("English", {"LabelSelectLang=(null)", "LabelNextBtn=(null)", "LabelVersion="});
  auto person = Run("cancel");
  EXPECT_FALSE(person->View(u"SelectLangLabel").showing);
  EXPECT_FALSE(person->View(u"VersionLabel").showing);
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"(null)");
  EXPECT_EQ(person->WizardCaption().substr(0, 3), u" (V");
}

TEST_F(LabelsTest, LongTextAndFontNameAreCutToTheirFields) {
  const std::string text(200, 'a');
  const std::string font(80, 'F');
  WriteLanguage("English", {"LabelInstall=" + text + ",,," + font});
  auto person = Run("cancel");
  EXPECT_EQ(person->View(u"InstallLabel").caption, std::u16string(127, u'a'));
  EXPECT_EQ(person->View(u"InstallLabel").font.name, std::u16string(63, u'F'));
}

TEST_F(LabelsTest, LanguageSwitchKeepsColourAndPositionOfTheEarlierLanguage) {
  WriteLanguage("English", {"LabelVersion=Blue,$FF0000,,,,10,11,120,20", "LabelNextBtn=Next"});
  WriteLanguage("German", {"LabelVersion=Nur Text", "LabelNextBtn=Weiter"});
  auto person = Run("language=German,cancel");
  const auto& version = person->View(u"VersionLabel");
  EXPECT_EQ(version.caption, u"Nur Text");
  EXPECT_EQ(version.font.color, 0xFF0000u);
  EXPECT_EQ(version.left, 10);
  EXPECT_EQ(version.width, 120);
}

TEST_F(LabelsTest, NonLatinLanguageFromAUtf16File) {
  auto person = Run("language=ChineseTraditional,cancel");
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"\u4e0b\u4e00\u6b65 >");
  EXPECT_EQ(person->View(u"VersionLabel").font.name, u"Microsoft JhengHei");
}

TEST_F(LabelsTest, ListOffersMappedFoldersSortedAndSelectsTheDefault) {
  auto person = Run("cancel");
  const auto& list = person->View(u"ComboBox");
  // French is mapped but has no folder; the folders sort without regard to case.
  ASSERT_EQ(list.items.size(), 3u);
  EXPECT_EQ(list.items[0], u"Chinese (Traditional)");
  EXPECT_EQ(list.items[1], u"English");
  EXPECT_EQ(list.items[2], u"Deutsch");
  EXPECT_EQ(list.itemIndex, 1);
}

TEST_F(LabelsTest, DefaultLanguageOutsideTheListSelectsTheFirstButKeepsItsLabels) {
  SetConfig("Language", "DefaultLanguage", "Hidden");
  WriteLanguage("Hidden", {"LabelNextBtn=Hidden next"});
  SetConfig("MultiLanguageFolderMap", "Hidden", "");
  auto person = Run("cancel");
  EXPECT_EQ(person->View(u"ComboBox").itemIndex, 0);
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"Hidden next");
}

TEST_F(LabelsTest, MissingLanguageFolderIsAnInputOutputError) {
  std::filesystem::remove_all(SetupHost("Language"));
  auto person = Run("cancel");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find(u"I/O error 3"), std::u16string::npos);
  EXPECT_TRUE(person->View(u"ComboBox").items.empty());
}

class MultiDisplayTest : public LabelsTest {
 protected:
  std::string MachineIni() const override { return "[Screen]\nWidth=2560\nHeight=1440\n"; }
};

TEST_F(MultiDisplayTest, ResolutionFolderHoldsTheLanguagesWhenItHasTheFile) {
  SetConfig("Install", "MultiDisplaySetting", "1");
  WriteLanguage("1920x1080\\English", {"LabelNextBtn=Big next"});
  auto person = Run("cancel");
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"Big next");
  ASSERT_EQ(person->View(u"ComboBox").items.size(), 1u);
}

TEST_F(MultiDisplayTest, WithoutTheFileThePlainFoldersAreUsed) {
  SetConfig("Install", "MultiDisplaySetting", "1");
  std::filesystem::create_directories(SetupHost("Language\\1920x1080\\English"));
  auto person = Run("cancel");
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"Next >");
  EXPECT_EQ(person->View(u"ComboBox").items.size(), 3u);
}

TEST_F(MultiDisplayTest, SettingOtherThanOneIgnoresTheResolutionFolder) {
  SetConfig("Install", "MultiDisplaySetting", "2");
  WriteLanguage("1920x1080\\English", {"LabelNextBtn=Big next"});
  auto person = Run("cancel");
  EXPECT_EQ(person->View(u"NextBitBtn").caption, u"Next >");
}

}  // namespace

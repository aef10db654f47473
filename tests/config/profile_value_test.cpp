#include "config/ProfileValue.h"

#include <gtest/gtest.h>

#include "config/config_files.h"
#include "platform/os_profile.h"

namespace {

const char kFile[] = "C:\\cfg\\test.ini";
const std::u16string kWinFile = u"C:\\cfg\\test.ini";

std::vector<std::u16string> Split(const std::u16string& text) {
  std::vector<std::u16string> pieces;
  const std::size_t count = SplitValue(text, pieces);
  EXPECT_EQ(count, pieces.size());
  return pieces;
}

TEST(SplitValueTest, PiecesBetweenCommasUntrimmed) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ(Split(u"a,b"), (V{u"a", u"b"}));
  EXPECT_EQ(Split(u"5,,7"), (V{u"5", u"", u"7"}));
  EXPECT_EQ(Split(u","), (V{u"", u""}));
  EXPECT_EQ(Split(u""), (V{u""}));
  EXPECT_EQ(Split(u"a,"), (V{u"a", u""}));
  EXPECT_EQ(Split(u",a"), (V{u"", u"a"}));
  EXPECT_EQ(Split(u" a , b "), (V{u" a ", u" b "}));
}

TEST(SplitValueTest, AppendsWithoutClearing) {
  std::vector<std::u16string> list{u"x"};
  EXPECT_EQ(SplitValue(u"a,b", list), 3u);
  EXPECT_EQ(list[0], u"x");
}

TEST(DecimalValueTest, ReadsLikeTheRuntime) {
  EXPECT_EQ(DecimalValue(u"12"), 12);
  EXPECT_EQ(DecimalValue(u"  \t-7x"), -7);
  EXPECT_EQ(DecimalValue(u"+3"), 3);
  EXPECT_EQ(DecimalValue(u"yes"), 0);
  EXPECT_EQ(DecimalValue(u""), 0);
  EXPECT_EQ(DecimalValue(u"- 5"), 0);
  EXPECT_EQ(DecimalValue(u"4294967295"), -1);  // wraps as a 32-bit value
  EXPECT_EQ(DecimalValue(u"99999999999999999999"), 1661992959);
}

class ProfileValueTest : public ConfigFileTest {};

TEST_F(ProfileValueTest, ReadsValuesAsWindowsDoes) {
  PutFile(kFile,
          "; comment\r\n"
          "orphan=before any section\r\n"
          "[Install]   \r\n"
          "  Title =  Hello World  \r\n"
          "Quoted=\"quoted text\"\r\n"
          "Single='single'\r\n"
          "Half=\"half\r\n"
          "Empty=\r\n"
          ";Hidden=1\r\n"
          "Dup=first\r\n"
          "dup=second\r\n"
          "NoEquals\r\n"
          "Tab=\ta\tb\t\r\n"
          "[install]\r\n"
          "Second=in the duplicate section\n"
          "[Other]\n"
          "Last=no final newline");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* expected;
    int result;
  } cases[] = {
      {u"install", u"TITLE", u"Hello World", 0},  {u" Install ", u" Title ", u"Hello World", 0},
      {u"Install", u"Quoted", u"quoted text", 0}, {u"Install", u"Single", u"single", 0},
      {u"Install", u"Half", u"\"half", 0},        {u"Install", u"Empty", u"<kept>", 1},
      {u"Install", u"Hidden", u"<kept>", 1},      {u"Install", u"Dup", u"first", 0},
      {u"Install", u"NoEquals", u"<kept>", 1},    {u"Install", u"Tab", u"a\tb", 0},
      {u"Install", u"Second", u"<kept>", 1},  // only the first section of a name counts
      {u"Install", u"orphan", u"<kept>", 1},      {u"Other", u"Last", u"no final newline", 0},
      {u"Missing", u"Title", u"<kept>", 1},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    std::u16string out = u"<kept>";
    EXPECT_EQ(ReadProfileValue(kWinFile, cases[i].section, cases[i].key, out), cases[i].result)
        << "case " << i;
    EXPECT_EQ(out, cases[i].expected) << "case " << i;
  }
  std::u16string out = u"<kept>";
  EXPECT_EQ(ReadProfileValue(u"C:\\cfg\\missing.ini", u"Install", u"Title", out), 1);
  EXPECT_EQ(out, u"<kept>");
}

TEST_F(ProfileValueTest, CutsValuesAtTheBufferSize) {
  PutFile(kFile, "[S]\r\nLong=" + std::string(1500, 'v') + "\r\nQ=\"abcdef\"\r\n");
  std::u16string out;
  EXPECT_EQ(ReadProfileValue(kWinFile, u"S", u"Long", out), 0);
  EXPECT_EQ(out, std::u16string(1023, u'v'));

  EXPECT_EQ(os::GetPrivateProfileStringW(u"S", u"Long", u"", &out, 5, kWinFile), 4u);
  EXPECT_EQ(out, u"vvvv");
  EXPECT_EQ(os::GetPrivateProfileStringW(u"S", u"Q", u"", &out, 4, kWinFile), 3u);
  EXPECT_EQ(out, u"abc");
  EXPECT_EQ(os::GetPrivateProfileStringW(u"S", u"Q", u"", &out, 100, kWinFile), 6u);
  EXPECT_EQ(out, u"abcdef");
  EXPECT_EQ(os::GetPrivateProfileStringW(u"S", u"None", u"dflt  ", &out, 100, kWinFile), 4u);
  EXPECT_EQ(out, u"dflt");
}

TEST_F(ProfileValueTest, ReadsUtf16LittleEndianFiles) {
  PutFile(kFile, Utf16LeFile(u"[Lang]\r\nName=Fran\u00e7ais \u7e41\u9ad4\r\n"));
  std::u16string out;
  EXPECT_EQ(ReadProfileValue(kWinFile, u"lang", u"name", out), 0);
  EXPECT_EQ(out, u"Fran\u00e7ais \u7e41\u9ad4");
}

TEST_F(ProfileValueTest, ReadsAnsiAsWindows1252) {
  PutFile(kFile, "[S]\nK=caf\xE9 \x80\n");
  std::u16string out;
  EXPECT_EQ(ReadProfileValue(kWinFile, u"S", u"K", out), 0);
  EXPECT_EQ(out, u"caf\u00e9 \u20ac");
}

TEST_F(ProfileValueTest, WriteChangesOnlyItsLine) {
  const std::string original =
      "; keep me\n"
      "[Language]  \n"
      "DefaultLanguage = English\n"
      "\n"
      "Other=1\n"
      "[Next]\r\n"
      "A=b";
  PutFile(kFile, original);
  EXPECT_EQ(WriteProfileValue(kWinFile, u"language", u"defaultlanguage", u"German"), 0);
  EXPECT_EQ(GetFile(kFile),
            "; keep me\n[Language]  \nDefaultLanguage=German\n\nOther=1\n[Next]\r\nA=b");

  EXPECT_EQ(WriteProfileValue(kWinFile, u"Language", u"New", u"x"), 0);
  EXPECT_EQ(GetFile(kFile),
            "; keep me\n[Language]  \nDefaultLanguage=German\n\nOther=1\nNew=x\r\n[Next]\r\nA=b");
  EXPECT_EQ(WriteProfileValue(kWinFile, u"Next", u"C", u"d"), 0);
  EXPECT_EQ(WriteProfileValue(kWinFile, u"Added", u"K", u"v"), 0);
  EXPECT_EQ(GetFile(kFile),
            "; keep me\n[Language]  \nDefaultLanguage=German\n\nOther=1\nNew=x\r\n[Next]\r\n"
            "A=b\r\nC=d\r\n[Added]\r\nK=v\r\n");
  std::u16string out;
  EXPECT_EQ(ReadProfileValue(kWinFile, u"Added", u"K", out), 0);
  EXPECT_EQ(out, u"v");
}

TEST_F(ProfileValueTest, WriteCreatesTheFileAndKeepsUtf16) {
  PutFile("C:\\cfg\\other.ini", "");  // the folder exists, the file does not
  EXPECT_EQ(WriteProfileValue(kWinFile, u"Language", u"DefaultLanguage", u"English"), 0);
  EXPECT_EQ(GetFile(kFile), "[Language]\r\nDefaultLanguage=English\r\n");

  PutFile(kFile, Utf16LeFile(u"[Language]\r\nDefaultLanguage=English\r\n"));
  EXPECT_EQ(WriteProfileValue(kWinFile, u"Language", u"DefaultLanguage", u"\u7e41\u9ad4"), 0);
  EXPECT_EQ(GetFile(kFile), Utf16LeFile(u"[Language]\r\nDefaultLanguage=\u7e41\u9ad4\r\n"));
}

TEST_F(ProfileValueTest, WriteFailuresGiveOne) {
  EXPECT_EQ(WriteProfileValue(u"C:\\no\\such\\folder\\x.ini", u"S", u"K", u"v"), 1);
  PutFile(kFile, "[S]\r\nK=old\r\n");
  InjectFault("WriteFile");
  EXPECT_EQ(WriteProfileValue(kWinFile, u"S", u"K", u"new"), 1);
}

}  // namespace

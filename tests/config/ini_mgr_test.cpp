#include "config/IniMgr.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/config_files.h"
#include "platform/os_files.h"

namespace {

using REGINI_MGR::CIniMgr;
using V = std::vector<std::u16string>;

CIniMgr* Loaded(CIniMgr& mgr, std::string bytes, std::int32_t expected = 0) {
  EXPECT_EQ(mgr.LoadBytes(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size()), expected);
  return &mgr;
}

std::string Utf32(const std::u16string& text, bool bigEndian) {
  std::string out = bigEndian ? std::string("\0\0\xFE\xFF", 4) : std::string("\xFF\xFE\0\0", 4);
  for (char16_t c : text) {
    const char b[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8), 0, 0};
    if (bigEndian) out.append({b[3], b[2], b[1], b[0]});
    else out.append(b, 4);
  }
  return out;
}

std::string Utf16Be(const std::u16string& text) {
  std::string out = "\xFE\xFF";
  for (char16_t c : text) out.append({static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)});
  return out;
}

const std::u16string kSample = u"[USB_VID_PID]\r\n1=a,b\r\n2=c\u00e9,d\r\n";

TEST(IniMgrTest, DetectsAllSixEncodings) {
  struct Case {
    std::string bytes;
    std::int32_t encoding;
  } cases[] = {
      {"[USB_VID_PID]\r\n1=a,b\r\n2=c\xE9,d\r\n", REGINI_MGR::ENCODING_ANSI},
      {"\xEF\xBB\xBF[USB_VID_PID]\r\n1=a,b\r\n2=c\xC3\xA9,d\r\n", REGINI_MGR::ENCODING_UTF8},
      {Utf16LeFile(kSample), REGINI_MGR::ENCODING_UTF16LE},
      {Utf16Be(kSample), REGINI_MGR::ENCODING_UTF16BE},
      {Utf32(kSample, false), REGINI_MGR::ENCODING_UTF32LE},
      {Utf32(kSample, true), REGINI_MGR::ENCODING_UTF32BE},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    CIniMgr mgr;
    Loaded(mgr, cases[i].bytes);
    EXPECT_EQ(mgr.m_Encoding, cases[i].encoding) << "case " << i;
    EXPECT_TRUE(mgr.HasSection(u"USB_VID_PID")) << "case " << i;
    EXPECT_FALSE(mgr.HasSection(u"usb_vid_pid")) << "case " << i;
    EXPECT_EQ(mgr.GetValue(u"USB_VID_PID", u"2"), u"c\u00e9,d") << "case " << i;
  }
}

TEST(IniMgrTest, Utf16LittleEndianStartingWithNulIsReadAsUtf32) {
  CIniMgr mgr;
  Loaded(mgr, std::string("\xFF\xFE\0\0[\0S\0]\0", 10), 5);  // not a whole number of 32-bit units
  EXPECT_EQ(mgr.m_Encoding, REGINI_MGR::ENCODING_UTF32LE);
}

TEST(IniMgrTest, DecodingErrorsGiveFiveAndClearTheContents) {
  const std::string cases[] = {
      "\xEF\xBB\xBF[S]\nk=\xF0\x9F\x98\x80\n",  // above U+FFFF
      "\xEF\xBB\xBF[S]\nk=\x80\n",              // continuation byte as lead
      "\xEF\xBB\xBF[S]\nk=\xC3",                // cut off by the end of the data
      "\xEF\xBB\xBF[S]\nk=\xE2\x82",            // cut off by the end of the data
      "\xEF\xBB\xBF[S]\nk=\xC3(\n",             // bad continuation
      "\xEF\xBB\xBF[S]\nk=\xFE\n",
      Utf32(u"[S]", false) + "\x01",  // length not a multiple of 4
      Utf32(u"[S]", true).substr(0, 10),
      std::string("\xFF\xFE\0\0\0\0\x01\0", 8),  // a unit above 0xFFFF
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    CIniMgr mgr;
    Loaded(mgr, "[Old]\nk=v\n");
    Loaded(mgr, cases[i], 5);
    EXPECT_TRUE(mgr.m_Lines.empty()) << "case " << i;
    EXPECT_FALSE(mgr.HasSection(u"Old")) << "case " << i;
  }
}

TEST(IniMgrTest, Utf8AcceptsOverlongSurrogatesAndLongForms) {
  CIniMgr mgr;
  // C3 A9 -> U+00E9; over-long C1 81 -> 'A'; ED A0 80 -> U+D800; F8 80 80 80 81 -> 1.
  Loaded(mgr, "\xEF\xBB\xBF[S]\nk=\xC3\xA9\xC1\x81\xED\xA0\x80\xF8\x80\x80\x80\x81\n");
  EXPECT_EQ(mgr.GetValue(u"S", u"k"), std::u16string(u"\u00e9A\xD800\x0001", 4));
}

TEST(IniMgrTest, BytesAboveAsciiWithoutMarkAreLatin1) {
  CIniMgr mgr;
  Loaded(mgr, "[S]\nk=\x80\xE9\xFF\n");
  EXPECT_EQ(mgr.GetValue(u"S", u"k"), u"\u0080\u00e9\u00ff");
}

TEST(IniMgrTest, LinesAreTrimmedOfSpacesThenCarriageReturns) {
  CIniMgr mgr;
  Loaded(mgr, "  a  \r\n\r\n\n   \n\tb\t\nc \r\n[H] \r\nlast");
  // A space before the carriage return survives.
  EXPECT_EQ(mgr.m_Lines, (V{u"a  ", u"", u"", u"\tb\t", u"c ", u"[H] ", u"last"}));
}

TEST(IniMgrTest, SectionsEntriesAndLookups) {
  CIniMgr mgr;
  Loaded(mgr,
         "before=ignored\n"
         "[S]\n"
         "; comment=1\n"
         "k = v \n"
         "dup=first\n"
         "dup=second\n"
         "novalue=\n"
         "=nokey\n"
         "plain line\n"
         "x=a=b\n"
         "[H] \r\n"
         "inH=1\n"
         "[]\n"
         "e=1\n"
         "[S]\n"
         "other=2\n");
  ASSERT_EQ(mgr.m_Sections.size(), 3u);
  V names{u"stale"};
  mgr.GetKeyNames(u"S", names);
  EXPECT_EQ(names, (V{u"k ", u"dup", u"dup", u"novalue", u"x", u"inH"}));
  EXPECT_EQ(mgr.GetValue(u"S", u"k "), u" v");
  EXPECT_EQ(mgr.GetValue(u"S", u"dup"), u"first");
  EXPECT_EQ(mgr.GetValue(u"S", u"novalue"), u"");
  EXPECT_EQ(mgr.GetValue(u"S", u"x"), u"a=b");
  EXPECT_EQ(mgr.GetValue(u"S", u"other"), u"");  // only the first section of a name
  EXPECT_EQ(mgr.GetValue(u"S", u""), u"");
  EXPECT_FALSE(mgr.HasSection(u"H"));  // "[H] " is not a header
  EXPECT_TRUE(mgr.HasSection(u""));
  EXPECT_EQ(mgr.GetValue(u"", u"e"), u"1");
  EXPECT_EQ(mgr.m_Sections[0].m_RawLines,
            (V{u"[S]", u"k = v", u"dup=first", u"dup=second", u"novalue=", u"=nokey", u"plain line",
               u"x=a=b", u"[H] ", u"inH=1"}));
  EXPECT_EQ(mgr.m_Sections[0].m_Section.m_Name, u"S");

  V untouched{u"keep"};
  mgr.GetKeyNames(u"Missing", untouched);
  EXPECT_EQ(untouched, (V{u"keep"}));
  EXPECT_EQ(mgr.GetValue(u"Missing", u"k"), u"");
}

TEST(IniMgrTest, EmptyAndTinyFilesLoad) {
  CIniMgr mgr;
  Loaded(mgr, "");
  EXPECT_TRUE(mgr.m_Sections.empty());
  Loaded(mgr, "\xFF");
  EXPECT_EQ(mgr.m_Encoding, REGINI_MGR::ENCODING_ANSI);
  Loaded(mgr, "\xFF\xFE");
  EXPECT_EQ(mgr.m_Encoding, REGINI_MGR::ENCODING_UTF16LE);
  Loaded(mgr, std::string("\xFE\xFF\0[\0S\0]\0", 9));  // an odd last byte is dropped
  EXPECT_EQ(mgr.m_Encoding, REGINI_MGR::ENCODING_UTF16BE);
  EXPECT_TRUE(mgr.HasSection(u"S"));
}

class IniMgrFileTest : public ConfigFileTest {};

TEST_F(IniMgrFileTest, LoadFileResultCodes) {
  const std::u16string path = u"C:\\cfg\\AudioConfig.cfg";
  PutFile("C:\\cfg\\AudioConfig.cfg", "[Old]\nk=v\n");
  CIniMgr mgr;
  ASSERT_EQ(mgr.LoadFile(path), 0);
  EXPECT_EQ(mgr.m_FilePath, path);

  EXPECT_EQ(mgr.LoadFile(u"C:\\cfg\\missing.cfg"), 1);
  EXPECT_EQ(mgr.m_FilePath, u"C:\\cfg\\missing.cfg");
  EXPECT_TRUE(mgr.HasSection(u"Old"));

  InjectFault("HeapAlloc");
  EXPECT_EQ(mgr.LoadFile(path), 3);
  EXPECT_TRUE(mgr.HasSection(u"Old"));

  InjectFault("ReadFile");
  EXPECT_EQ(mgr.LoadFile(path), 4);
  EXPECT_TRUE(mgr.HasSection(u"Old"));

  // No memory for the second section object: the first stays.
  PutFile("C:\\cfg\\AudioConfig.cfg", "[A]\na=1\n[B]\nb=2\n");
  InjectFault("HeapAlloc", 2);
  EXPECT_EQ(mgr.LoadFile(path), 6);
  EXPECT_TRUE(mgr.HasSection(u"A"));
  EXPECT_FALSE(mgr.HasSection(u"B"));
  EXPECT_EQ(mgr.GetValue(u"A", u"a"), u"1");
  EXPECT_FALSE(mgr.HasSection(u"Old"));

  PutFile("C:\\cfg\\AudioConfig.cfg", "\xEF\xBB\xBF[S]\nk=\xC3");
  EXPECT_EQ(mgr.LoadFile(path), 5);
  EXPECT_TRUE(mgr.m_Sections.empty());
}

// Wherever the heap runs dry while sections are stored, the result is 6 and the sections stored
// before it stay whole, in file order.
TEST_F(IniMgrFileTest, SectionsStoredBeforeTheHeapRanDryStay) {
  const std::u16string path = u"C:\\cfg\\many.ini";
  PutFile("C:\\cfg\\many.ini", "[A]\na=1\n[B]\nb=2\n[C]\nc=3\n[D]\nd=4\n[E]\ne=5\n[F]\nf=6\n");
  const char16_t* names[] = {u"A", u"B", u"C", u"D", u"E", u"F"};
  const char16_t* keys[] = {u"a", u"b", u"c", u"d", u"e", u"f"};
  std::size_t previous = 0;
  for (int skip = 1;; ++skip) {
    CIniMgr mgr;
    InjectFault("HeapAlloc", skip);  // the first request is the file's bytes
    const std::int32_t result = mgr.LoadFile(path);
    if (result == 0) {
      EXPECT_EQ(mgr.m_Sections.size(), 6u);
      break;
    }
    ASSERT_EQ(result, 6) << "skip " << skip;
    const std::size_t kept = mgr.m_Sections.size();
    EXPECT_LT(kept, 6u) << "skip " << skip;
    EXPECT_GE(kept, previous) << "skip " << skip;
    previous = kept;
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(mgr.HasSection(names[i]), i < kept) << "skip " << skip << ", section " << i;
      const std::u16string value(1, static_cast<char16_t>(u'1' + i));
      if (i < kept) {
        EXPECT_EQ(mgr.GetValue(names[i], keys[i]), value);
      }
    }
    ASSERT_LT(skip, 20) << "the heap is asked more often than the sections need";
    machine().ClearFaults();
  }
}

// As the C runtime's "rb": a configuration file that an editor holds open for writing loads.
TEST_F(IniMgrFileTest, FileHeldOpenForWritingLoads) {
  PutFile("C:\\cfg\\AudioConfig.cfg", "[S]\nk=v\n");
  const os::HANDLE writer =
      os::CreateFileW(u"C:\\cfg\\AudioConfig.cfg", GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  CIniMgr mgr;
  EXPECT_EQ(mgr.LoadFile(u"C:\\cfg\\AudioConfig.cfg"), 0);
  EXPECT_EQ(mgr.GetValue(u"S", u"k"), u"v");
  os::CloseHandle(writer);
}

TEST_F(IniMgrFileTest, FileOfFourGigabytesHasNoUsableLength) {
  PutFile("C:\\cfg\\huge.cfg", "");
  std::error_code ec;
  std::filesystem::resize_file(Host("C:\\cfg\\huge.cfg"), 0xFFFFFFFFull, ec);  // sparse
  if (ec) GTEST_SKIP() << "host cannot make a sparse file: " << ec.message();
  CIniMgr mgr;
  EXPECT_EQ(mgr.LoadFile(u"C:\\cfg\\huge.cfg"), 2);
}

}  // namespace

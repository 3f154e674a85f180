#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "JclSimpleXml.h"
#include "StandardErrors.h"
#include "TemporaryFolder.h"

namespace {

std::string ReadAll(TJclStringStream& stream) {
  return ReadAllText(stream);
}

TEST(JclSimpleXmlStream, CharsetTableLookUps) {
  EXPECT_EQ(CodePageFromCharsetName("Windows-1252"), 1252);
  EXPECT_EQ(CodePageFromCharsetName("CP1252"), 1252);
  EXPECT_EQ(CodePageFromCharsetName("x-ansi"), 1252);
  EXPECT_EQ(CodePageFromCharsetName("ascii"), 20127);
  EXPECT_EQ(CodePageFromCharsetName("LATIN1"), 28591);
  EXPECT_EQ(CodePageFromCharsetName("unicode-1-1-utf-8"), 65001);
  EXPECT_EQ(CodePageFromCharsetName("unicode"), 1200);
  EXPECT_EQ(CharsetNameFromCodePage(1252), "Windows-1252");
  EXPECT_EQ(CharsetNameFromCodePage(1250), "windows-1250");
  EXPECT_EQ(CharsetNameFromCodePage(65001), "utf-8");
  EXPECT_EQ(CharsetNameFromCodePage(1200), "utf-16");
  EXPECT_EQ(CharsetNameFromCodePage(1201), "unicodeFFFE");
  EXPECT_EQ(CharsetNameFromCodePage(20127), "us-ascii");
  EXPECT_EQ(CharsetNameFromCodePage(28591), "iso-8859-1");
  EXPECT_THROW(CodePageFromCharsetName("nope"), EJclCharsetError);
  EXPECT_THROW(CharsetNameFromCodePage(4), EJclCharsetError);
}

TEST(JclSimpleXmlStream, PeekRunsAheadOfReadAndReadCatchesUp) {
  TJclUTF8Stream stream(std::string_view("ab\xC3\xA9"));
  char32_t ch;
  ASSERT_TRUE(stream.PeekUCS4(ch));
  EXPECT_EQ(ch, U'a');
  ASSERT_TRUE(stream.PeekUCS4(ch));
  EXPECT_EQ(ch, U'b');
  EXPECT_EQ(stream.PeekPosition(), 2);
  ASSERT_TRUE(stream.ReadUCS4(ch));
  EXPECT_EQ(ch, U'a');
  EXPECT_EQ(stream.PeekPosition(), 1);
  ASSERT_TRUE(stream.PeekUCS4(ch));
  EXPECT_EQ(ch, U'b');
  ASSERT_TRUE(stream.ReadUCS4(ch));
  ASSERT_TRUE(stream.ReadUCS4(ch));
  EXPECT_EQ(ch, U'\u00E9');
  EXPECT_FALSE(stream.PeekUCS4(ch));
  EXPECT_FALSE(stream.ReadUCS4(ch));
}

TEST(JclSimpleXmlStream, RunsMoveTheCursorsAsSingleCharactersDo) {
  // ASCII runs of eight bytes and more beside characters of two, three and four bytes.
  const std::string text =
      "abcdefg\xC3\xA9"
      "abcdefgh\xE2\x82\xAC"
      "ijklmnopq\xF0\x9F\x98\x80z";
  TJclUTF8Stream whole(text);
  EXPECT_EQ(ReadAll(whole), text);

  TJclUTF8Stream stream(text);
  stream.SetBufferSize(4);
  EXPECT_EQ(stream.ReadRun(), "abcd");
  stream.SkipRead(2);
  EXPECT_EQ(stream.PeekPosition(), 2);
  EXPECT_EQ(stream.PeekRun(), "cd");
  stream.SkipPeeked(2);
  char32_t ch;
  ASSERT_TRUE(stream.PeekUCS4(ch));
  EXPECT_EQ(ch, U'e');
  EXPECT_EQ(stream.PeekPosition(), 5);
  ASSERT_TRUE(stream.ReadUCS4(ch));
  EXPECT_EQ(ch, U'c');
  EXPECT_EQ(stream.PeekPosition(), 3);
  std::string rest;
  for (std::string_view run; !(run = stream.ReadRun()).empty(); stream.SkipRead(run.size()))
    rest += run;
  EXPECT_EQ(rest, text.substr(3));
  EXPECT_TRUE(stream.PeekRun().empty());
  EXPECT_FALSE(stream.ReadUCS4(ch));
}

TEST(JclSimpleXmlStream, PositionsCountCharactersWhereverTheCursorsStandAtARefill) {
  // Characters 0: U+00E9, 1-10: a-j, 11: U+FFFD from a malformed byte, 12: U+20AC, 13-28: k-z,
  // 29: U+1F600, 30-39: 0-9.
  const std::string text =
      "\xC3\xA9"
      "abcdefghij\xFF\xE2\x82\xAC"
      "klmnopqrstuvwxyz\xF0\x9F\x98\x80"
      "0123456789";
  TJclUTF8Stream stream(text);
  stream.SetBufferSize(4);
  char32_t ch;
  // Refills while the read cursor stays behind...
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(stream.PeekUCS4(ch));
  EXPECT_EQ(ch, U'q');
  EXPECT_EQ(stream.PeekPosition(), 20);
  ASSERT_TRUE(stream.ReadUCS4(ch));
  EXPECT_EQ(ch, U'\u00E9');
  EXPECT_EQ(stream.PeekPosition(), 1);
  // ...and while it follows them.
  for (int i = 0; i < 29; ++i) ASSERT_TRUE(stream.ReadUCS4(ch));
  EXPECT_EQ(ch, U'\U0001F600');
  EXPECT_EQ(stream.PeekPosition(), 30);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(stream.PeekUCS4(ch));
  EXPECT_EQ(ch, U'4');
  EXPECT_EQ(stream.PeekPosition(), 35);
  int rest = 0;
  while (stream.ReadUCS4(ch)) ++rest;
  EXPECT_EQ(rest, 10);
  EXPECT_EQ(stream.PeekPosition(), 40);
}

TEST(JclSimpleXmlStream, MalformedBytesDecodeAsReplacementCharacters) {
  TJclUTF8Stream utf8(std::string_view("\xC3(\xF0\x9F"));
  EXPECT_EQ(ReadAll(utf8), "\xEF\xBF\xBD(\xEF\xBF\xBD");
  TJclUTF16Stream utf16(std::string_view("A\0\x3D\xD8x", 5));  // lone high half, odd byte
  EXPECT_EQ(ReadAll(utf16), "A\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(JclSimpleXmlStream, AutoStreamDetectsTheByteOrderMark) {
  TJclAutoStream utf8(std::string_view("\xEF\xBB\xBFx"));
  EXPECT_EQ(utf8.Encoding(), seUTF8);
  EXPECT_EQ(utf8.CodePage(), CP_UTF8);
  EXPECT_EQ(ReadAll(utf8), "x");
  TJclAutoStream utf16(std::string_view("\xFF\xFEx\0", 4));
  EXPECT_EQ(utf16.Encoding(), seUTF16);
  EXPECT_EQ(ReadAll(utf16), "x");
  TJclAutoStream ansi(std::string_view("\xFFx"));
  EXPECT_EQ(ansi.Encoding(), seAnsi);
  EXPECT_EQ(ansi.CodePage(), CP_ACP);
  ansi.SetCodePage(1252);
  EXPECT_EQ(ansi.Encoding(), seAuto);
  EXPECT_EQ(ReadAll(ansi), "\xC3\xBFx");
}

TEST(JclSimpleXmlStream, DeclaredCodePageAppliesRightAfterTheHeader) {
  TJclSimpleXML xml;
  xml.LoadFromBytes("<?xml version=\"1.0\" encoding=\"Windows-1252\"?><a b=\"\xE9\">\x80</a>");
  EXPECT_EQ(xml.Root().Value(), "\xE2\x82\xAC");
  EXPECT_EQ(xml.Root().Properties().Value("b"), "\xC3\xA9");
  EXPECT_EQ(xml.Encoding(), seAuto);
  EXPECT_EQ(xml.CodePage(), 1252);
  // Saved again in the declared code page, without byte-order mark.
  xml.SetOptions(xml.Options().Without(sxoAutoEncodeValue).Without(sxoAutoIndent));
  EXPECT_EQ(
      xml.SaveToBytes(),
      "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?><a b=\"\xE9\">\x80</a>");
}

TEST(JclSimpleXmlStream, ByteOrderMarkOutranksTheDeclaration) {
  TJclSimpleXML xml;
  xml.LoadFromBytes("\xEF\xBB\xBF<?xml version=\"1.0\"?><a>\xC3\xA9</a>");
  EXPECT_EQ(xml.Root().Value(), "\xC3\xA9");
  std::string utf16("\xFF\xFE", 2);
  for (const char c : std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xE9</a>")) {
    utf16 += c;
    utf16 += '\0';
  }
  xml.LoadFromBytes(utf16);
  EXPECT_EQ(xml.Root().Value(), "\xC3\xA9");
  EXPECT_EQ(xml.Encoding(), seUTF16);
}

TEST(JclSimpleXmlStream, EncodingsRoundTripThroughBytes) {
  TJclSimpleXML xml;
  xml.SetOptions(kDefaultSimpleXMLOptions.Without(sxoAutoEncodeValue).Without(sxoAutoIndent));
  xml.Root().SetName("r");
  xml.Root().Items().Add("v", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  const std::string utf16 = xml.SaveToBytes(seUTF16);
  EXPECT_EQ(utf16.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  EXPECT_EQ(xml.CodePage(), CP_UTF16LE);
  EXPECT_EQ(xml.Prolog().Encoding(), "utf-16");
  TJclSimpleXML copy;
  copy.LoadFromBytes(utf16);
  EXPECT_EQ(copy.Root().Items().Value("v"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");

  // A declared code page that cannot hold a character writes '?' for it.
  xml.Prolog().SetEncoding("iso-8859-1");
  const std::string latin1 = xml.SaveToBytes();
  EXPECT_NE(latin1.find("<v>\xE9?"
                        "?</v>"),
            std::string::npos);
}

TEST(JclSimpleXmlStream, EmptyDeclaredEncodingSavesInTheAnsiCodePage) {
  TJclSimpleXML xml;
  xml.LoadFromString("<?xml version=\"1.0\" encoding=\"\"?><r/>");
  xml.SetOptions(xml.Options().Without(sxoAutoIndent));
  EXPECT_EQ(xml.SaveToBytes(), "<?xml version=\"1.0\" encoding=\"\" standalone=\"no\"?><r/>");
}

class JclSimpleXmlFile : public ::testing::Test {
 protected:
  const TTemporaryFolder FTemporary{"jclsimplexml"};
  const std::string FFolder = FTemporary.Path().string();
};

TEST_F(JclSimpleXmlFile, SaveReplacesTheFileAndKeepsItsPermissions) {
  const std::string name = FFolder + "/config.xml";
  {
    std::ofstream old(name);
    old << "old";
  }
  chmod(name.c_str(), 0640);
  TJclSimpleXML xml;
  xml.Root().SetName("Configuration");
  xml.Root().Items().Add("FirstTime", "No");
  xml.SaveToFile(name);

  struct stat info;
  ASSERT_EQ(stat(name.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  TJclSimpleXML copy;
  copy.SetFileName(name);
  EXPECT_EQ(copy.Root().Name(), "Configuration");
  EXPECT_EQ(copy.Root().Items().Value("FirstTime"), "No");
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::system(("test $(ls -A " + FFolder + " | wc -l) -eq 1").c_str()), 0);
}

TEST_F(JclSimpleXmlFile, FailedSaveLeavesTheOldFileAndReportsTheError) {
  const std::string missing = FFolder + "/no/such/folder/config.xml";
  TJclSimpleXML xml;
  EXPECT_THROW(xml.SaveToFile(missing), EFCreateError);
  EXPECT_THROW(xml.LoadFromFile(FFolder + "/absent.xml"), EFOpenError);
}

}  // namespace

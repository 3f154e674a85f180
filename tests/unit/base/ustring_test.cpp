#include "ustring.h"

#include <gtest/gtest.h>

TEST(UstringTest, RoundTripsAllPlanes) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  const ustring wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, u"a\u00E9\u20AC\U0001F600z");
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  EXPECT_EQ(Utf16Length(text), wide.size());
}

TEST(UstringTest, KeepsEmbeddedZeros) {
  const std::string text("a\0b", 3);
  EXPECT_EQ(Utf8ToUtf16(text), ustring(u"a\0b", 3));
  EXPECT_EQ(Utf16ToUtf8(ustring(u"a\0b", 3)), text);
}

TEST(UstringTest, MalformedInputBecomesReplacement) {
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");          // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong form of "/"
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xFF"
                        "a"),
            u"\uFFFDa");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone high surrogate
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00"), "\xEF\xBF\xBD");    // lone low surrogate
}

TEST(UstringTest, EncodesEachLengthToItsLastCodePointAndReplacesWhatIsNoCharacter) {
  const struct {
    char32_t CodePoint;
    std::string Bytes;
  } cases[] = {{0x00, std::string(1, '\0')},
               {0x7F, "\x7F"},
               {0x80, "\xC2\x80"},
               {0x7FF, "\xDF\xBF"},
               {0x800, "\xE0\xA0\x80"},
               {0xFFFF, "\xEF\xBF\xBF"},
               {0x10000, "\xF0\x90\x80\x80"},
               {0x10FFFF, "\xF4\x8F\xBF\xBF"},
               {0xD800, "\xEF\xBF\xBD"},
               {0xDFFF, "\xEF\xBF\xBD"},
               {0x110000, "\xEF\xBF\xBD"}};
  for (const auto& [codePoint, bytes] : cases) {
    char out[4];
    EXPECT_EQ(std::string(out, EncodeUtf8(codePoint, out)), bytes)
        << std::hex << static_cast<uint32_t>(codePoint);
    std::string appended = "a";
    AppendUtf8(appended, codePoint);
    EXPECT_EQ(appended, "a" + bytes) << std::hex << static_cast<uint32_t>(codePoint);
  }
}

TEST(UstringTest, DecodesEdgeCasesOfBothForms) {
  const struct {
    std::string Utf8;
    ustring Utf16;
  } fromUtf8[] = {
      {"\xF0\x9F\x98\x80", u"\U0001F600"},  // pair at the top of the BMP
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},  // last code point
      {"\xF4\x90\x80\x80", u"\uFFFD"},      // past U+10FFFF
      {"\xE0\x80\xAF", u"\uFFFD"},          // overlong three-byte form
      {"\xF0\x80\x80\xAF", u"\uFFFD"},      // overlong four-byte form
      {"\xE2\x82"
       "a",
       u"\uFFFDa"},                                                 // truncated before ASCII
      {"\xF0\x9F\x98", u"\uFFFD"},                                  // truncated at the end
      {"\x80\xBF", u"\uFFFD\uFFFD"},                                // stray continuations
      {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // five-byte form
  };
  for (const auto& [utf8, utf16] : fromUtf8) {
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16) << testing::PrintToString(utf8);
    EXPECT_EQ(Utf16Length(utf8), utf16.size()) << testing::PrintToString(utf8);
  }

  const struct {
    ustring Utf16;
    std::string Utf8;
  } fromUtf16[] = {
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},                    // a pair
      {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},                    // the last pair
      {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},            // halves in the wrong order
      {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},  // lone high, then a pair
      {u"a\xD83D", "a\xEF\xBF\xBD"},                            // high half at the end
  };
  for (const auto& [utf16, utf8] : fromUtf16)
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8) << testing::PrintToString(utf8);
}

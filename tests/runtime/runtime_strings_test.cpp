#include <gtest/gtest.h>

#include <string>

#include "cef_capi.h"

namespace {

std::u16string Text(const TCefStringUtf16& record) {
  return record.str ? std::u16string(record.str, record.length) : std::u16string();
}

TEST(RuntimeStrings, SetCopiesOrBorrowsAndClearFrees) {
  const std::u16string source(u"ab\0cd", 5);
  TCefStringUtf16 record{};
  ASSERT_EQ(cef_string_utf16_set(source.data(), 5, &record, 1), 1);
  EXPECT_NE(record.str, source.data());
  EXPECT_NE(record.dtor, nullptr);
  EXPECT_EQ(Text(record), std::u16string(u"ab\0cd", 5));

  // A source inside the record's own text stays readable while it is replaced.
  ASSERT_EQ(cef_string_utf16_set(record.str + 3, 2, &record, 1), 1);
  EXPECT_EQ(Text(record), u"cd");

  cef_string_utf16_set(source.data(), source.size(), &record, 0);
  EXPECT_EQ(record.str, source.data());
  EXPECT_EQ(record.dtor, nullptr);
  cef_string_utf16_clear(&record);
  EXPECT_EQ(record.str, nullptr);
  EXPECT_EQ(record.length, 0u);
  cef_string_utf16_clear(nullptr);
}

TEST(RuntimeStrings, ConversionsRoundTripAndSurviveMalformedInput) {
  const std::string utf8 = "Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80";  // "Grüß 😀"
  TCefStringUtf16 utf16{};
  cef_string_utf8_to_utf16(utf8.data(), utf8.size(), &utf16);
  EXPECT_EQ(Text(utf16), u"Gr\u00FC\u00DF \U0001F600");

  TCefStringWide wide{};
  cef_string_utf16_to_wide(utf16.str, utf16.length, &wide);
  EXPECT_EQ(std::wstring(wide.str, wide.length), L"Gr\u00FC\u00DF \U0001F600");
  TCefStringUtf8 back{};
  cef_string_wide_to_utf8(wide.str, wide.length, &back);
  EXPECT_EQ(std::string(back.str, back.length), utf8);

  // Truncated sequence, overlong form, lone surrogate: each becomes U+FFFD, nothing is lost
  // around them and nothing is read past the given length.
  const char broken[] =
      "a\xF0\x9F"
      "b\xC0\xAF"
      "c\xED\xA0\x80";
  cef_string_utf8_to_utf16(broken, sizeof(broken) - 1, &utf16);
  EXPECT_EQ(Text(utf16)[0], u'a');
  EXPECT_NE(Text(utf16).find(u'b'), std::u16string::npos);
  EXPECT_NE(Text(utf16).find(u'\uFFFD'), std::u16string::npos);
  const char16_t lone[] = {u'x', 0xD800};
  cef_string_utf16_to_utf8(lone, 2, &back);
  EXPECT_EQ(std::string(back.str, back.length), "x\xEF\xBF\xBD");

  cef_string_ascii_to_utf16("plain", 5, &utf16);
  EXPECT_EQ(Text(utf16), u"plain");
  cef_string_utf16_clear(&utf16);
  cef_string_wide_clear(&wide);
  cef_string_utf8_clear(&back);
}

TEST(RuntimeStrings, CompareOrdersByCodeUnitThenLength) {
  std::u16string a = u"abc", b = u"abd", prefix = u"ab";
  TCefStringUtf16 ra{a.data(), a.size(), nullptr}, rb{b.data(), b.size(), nullptr};
  TCefStringUtf16 rp{prefix.data(), prefix.size(), nullptr}, empty{};
  EXPECT_LT(cef_string_utf16_cmp(&ra, &rb), 0);
  EXPECT_GT(cef_string_utf16_cmp(&rb, &ra), 0);
  EXPECT_LT(cef_string_utf16_cmp(&rp, &ra), 0);
  EXPECT_EQ(cef_string_utf16_cmp(&ra, &ra), 0);
  EXPECT_EQ(cef_string_utf16_cmp(&empty, nullptr), 0);
}

TEST(RuntimeStrings, UserFreeStringsOwnRecordAndText) {
  TCefStringUserFreeUtf16 text = cef_string_userfree_utf16_alloc();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->str, nullptr);
  cef_string_utf16_set(u"owned", 5, text, 1);
  cef_string_userfree_utf16_free(text);
  cef_string_userfree_utf16_free(nullptr);
}

TEST(RuntimeCollections, ListsMapsAndMultimapsKeepCopies) {
  std::u16string first = u"one", second = u"two";
  TCefStringUtf16 one{first.data(), first.size(), nullptr};
  TCefStringUtf16 two{second.data(), second.size(), nullptr};
  TCefStringUtf16 out{};

  TCefStringList list = cef_string_list_alloc();
  cef_string_list_append(list, &one);
  cef_string_list_append(list, &two);
  first = u"changed";  // the list kept its own copy
  TCefStringList copy = cef_string_list_copy(list);
  cef_string_list_clear(list);
  EXPECT_EQ(cef_string_list_size(list), 0);
  ASSERT_EQ(cef_string_list_size(copy), 2);
  ASSERT_EQ(cef_string_list_value(copy, 0, &out), 1);
  EXPECT_EQ(Text(out), u"one");
  EXPECT_EQ(cef_string_list_value(copy, 2, &out), 0);
  EXPECT_EQ(cef_string_list_value(copy, -1, &out), 0);
  cef_string_list_free(list);
  cef_string_list_free(copy);

  first = u"one";
  one = {first.data(), first.size(), nullptr};
  TCefStringMap map = cef_string_map_alloc();
  cef_string_map_append(map, &one, &two);
  cef_string_map_append(map, &one, &one);  // an existing key keeps its value
  EXPECT_EQ(cef_string_map_size(map), 1);
  ASSERT_EQ(cef_string_map_find(map, &one, &out), 1);
  EXPECT_EQ(Text(out), u"two");
  EXPECT_EQ(cef_string_map_find(map, &two, &out), 0);
  ASSERT_EQ(cef_string_map_key(map, 0, &out), 1);
  EXPECT_EQ(Text(out), u"one");
  cef_string_map_free(map);

  TCefStringMultimap multimap = cef_string_multimap_alloc();
  cef_string_multimap_append(multimap, &one, &one);
  cef_string_multimap_append(multimap, &one, &two);
  cef_string_multimap_append(multimap, &two, &two);
  EXPECT_EQ(cef_string_multimap_size(multimap), 3);
  EXPECT_EQ(cef_string_multimap_find_count(multimap, &one), 2);
  ASSERT_EQ(cef_string_multimap_enumerate(multimap, &one, 1, &out), 1);
  EXPECT_EQ(Text(out), u"two");
  EXPECT_EQ(cef_string_multimap_enumerate(multimap, &one, 2, &out), 0);
  cef_string_multimap_free(multimap);
  cef_string_utf16_clear(&out);
}

}  // namespace

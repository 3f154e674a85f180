#include "binding_test_fixture.h"

using ::testing::ElementsAre;

namespace {

using StringsTest = LoadedBindingTest;

const ustring TextWithZero(u"a\0b", 3);

TEST_F(StringsTest, BorrowedViewPointsIntoTheStringAndNeverIsNull) {
  const ustring empty;
  const TCefStringUtf16 emptyView = BorrowRuntimeString(empty);
  EXPECT_NE(emptyView.str, nullptr);
  EXPECT_EQ(emptyView.length, 0u);
  EXPECT_EQ(emptyView.dtor, nullptr);

  const TCefStringUtf16 view = BorrowRuntimeString(TextWithZero);
  EXPECT_EQ(view.str, TextWithZero.data());
  EXPECT_EQ(view.length, 3u);
  EXPECT_EQ(view.dtor, nullptr);
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 0);
}

TEST_F(StringsTest, CopyReadsExactlyLengthUnits) {
  EXPECT_EQ(CopyFromRuntimeString(nullptr), u"");
  char16_t unterminated[] = {u'x', u'y', u'z'};
  const TCefStringUtf16 partial{unterminated, 2, nullptr};
  EXPECT_EQ(CopyFromRuntimeString(&partial), u"xy");
  const TCefStringUtf16 withZero = BorrowRuntimeString(TextWithZero);
  EXPECT_EQ(CopyFromRuntimeString(&withZero), TextWithZero);
  const TCefStringUtf16 lengthWithoutText{nullptr, 5, nullptr};
  EXPECT_EQ(CopyFromRuntimeString(&lengthWithoutText), u"");
}

TEST_F(StringsTest, AllocatedRecordOwnsARuntimeCopy) {
  const TCefStringUtf16 empty = AllocRuntimeString(u"");
  EXPECT_EQ(empty.str, nullptr);
  EXPECT_EQ(empty.length, 0u);
  EXPECT_EQ(empty.dtor, nullptr);
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 0);

  TCefStringUtf16 owned = AllocRuntimeString(TextWithZero);
  EXPECT_NE(owned.str, TextWithZero.data());
  EXPECT_NE(owned.dtor, nullptr);
  EXPECT_EQ(CopyFromRuntimeString(&owned), TextWithZero);
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 1);
  RuntimeApi.cef_string_utf16_clear(&owned);
}

TEST_F(StringsTest, AssignReplacesTheRuntimeText) {
  AssignRuntimeString(nullptr, u"ignored");
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());

  TCefStringUtf16 record = FakeRuntime::NewOwnedString(u"old");
  AssignRuntimeString(&record, TextWithZero);
  EXPECT_EQ(CopyFromRuntimeString(&record), TextWithZero);
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 1);  // the old buffer went back to the runtime

  AssignRuntimeString(&record, u"");
  EXPECT_EQ(CopyFromRuntimeString(&record), u"");
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 0);
}

TEST_F(StringsTest, TakingReleasesTheRuntimeText) {
  TCefStringUtf16 record = FakeRuntime::NewOwnedString(TextWithZero);
  EXPECT_EQ(TakeRuntimeString(&record), TextWithZero);
  EXPECT_EQ(record.str, nullptr);
  EXPECT_EQ(record.length, 0u);
  EXPECT_EQ(record.dtor, nullptr);

  EXPECT_EQ(TakeUserFreeString(nullptr), u"");
  EXPECT_EQ(FakeRuntime::CallCount("cef_string_userfree_utf16_free"), 0);
  EXPECT_EQ(TakeUserFreeString(FakeRuntime::NewUserFreeString(TextWithZero)), TextWithZero);
  EXPECT_EQ(FakeRuntime::CallCount("cef_string_userfree_utf16_free"), 1);
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 0);
}

TEST_F(StringsTest, GenericOperationsUseTheUtf16Entries) {
  EXPECT_EQ(RuntimeStringSet, RuntimeApi.cef_string_utf16_set);
  EXPECT_EQ(RuntimeStringClear, RuntimeApi.cef_string_utf16_clear);
  EXPECT_EQ(RuntimeStringUserFreeAlloc, RuntimeApi.cef_string_userfree_utf16_alloc);
  EXPECT_EQ(RuntimeStringUserFreeFree, RuntimeApi.cef_string_userfree_utf16_free);
  EXPECT_EQ(RuntimeStringFromAscii, RuntimeApi.cef_string_ascii_to_utf16);
  EXPECT_EQ(RuntimeStringToUtf8, RuntimeApi.cef_string_utf16_to_utf8);
  EXPECT_EQ(RuntimeStringFromUtf8, RuntimeApi.cef_string_utf8_to_utf16);
  EXPECT_EQ(RuntimeStringFromUtf16, &Utf16StringCopy);
  EXPECT_EQ(RuntimeStringCopy, &Utf16StringCopy);
  EXPECT_EQ(RuntimeStringToWide, RuntimeApi.cef_string_utf16_to_wide);
  EXPECT_EQ(RuntimeStringFromWide, RuntimeApi.cef_string_wide_to_utf16);

  TCefStringUtf16 copy{};
  EXPECT_EQ(Utf16StringCopy(TextWithZero.data(), TextWithZero.size(), &copy), 1);
  EXPECT_NE(copy.dtor, nullptr);
  EXPECT_EQ(TakeRuntimeString(&copy), TextWithZero);
}

TEST_F(StringsTest, ReadListAppendsInTheRuntimeOrderAndFreesTheList) {
  std::vector<ustring> names{u"kept"};
  ReadRuntimeStringList(names, [](TCefStringList list) {
    for (const ustring& item : {ustring(u"first"), TextWithZero, ustring()}) {
      const TCefStringUtf16 view = BorrowRuntimeString(item);
      RuntimeApi.cef_string_list_append(list, &view);
    }
  });
  EXPECT_THAT(names, ElementsAre(u"kept", u"first", TextWithZero, u""));
  EXPECT_EQ(FakeRuntime::CallCount("cef_string_list_free"), 1);

  EXPECT_THROW(ReadRuntimeStringList(names, [](TCefStringList) { throw EAbort("stop"); }), EAbort);
  EXPECT_EQ(FakeRuntime::CallCount("cef_string_list_free"), 2);
  EXPECT_EQ(names.size(), 4u);
}

std::vector<ustring> ItemsOf(TCefStringList list) {
  std::vector<ustring> items;
  TCefStringUtf16 record{};
  for (int32_t i = 0; i < RuntimeApi.cef_string_list_size(list); ++i) {
    RuntimeApi.cef_string_list_value(list, i, &record);
    items.push_back(TakeRuntimeString(&record));
  }
  return items;
}

TEST_F(StringsTest, BuildListPassesBorrowedItemsOrAnEmptyList) {
  std::vector<std::vector<ustring>> seen;
  const auto capture = [&](TCefStringList list) {
    ASSERT_NE(list, nullptr);
    seen.push_back(ItemsOf(list));
  };
  BuildRuntimeStringList(nullptr, capture);
  const std::vector<ustring> schemes{u"http", TextWithZero};
  BuildRuntimeStringList(&schemes, capture);
  EXPECT_THAT(seen, ElementsAre(::testing::IsEmpty(), ElementsAre(u"http", TextWithZero)));

  EXPECT_THROW(BuildRuntimeStringList(&schemes, [](TCefStringList) { throw EAbort("stop"); }),
               EAbort);
  EXPECT_EQ(FakeRuntime::CallCount("cef_string_list_alloc"), 3);
  EXPECT_EQ(FakeRuntime::CallCount("cef_string_list_free"), 3);
}

}  // namespace

#include <gtest/gtest.h>

#include "StorageFileFixture.h"

namespace {

// A registered item class for object lists: it writes its class name itself.
class TListEntry : public TObject {
 public:
  std::string Classname = "TListEntry";
  int32_t Amount = 0;
  const TPublishedClass* ClassInfo() const override;
};

using Entry = TPublish<TListEntry>;
constexpr TPropInfo ListEntryProps[] = {
    Entry::String<[](const TListEntry& e) { return e.Classname; },
                  [](TListEntry& e, std::string v) { e.Classname = v; }>("Classname"),
    Entry::Integer<[](const TListEntry& e) { return e.Amount; },
                   [](TListEntry& e, int32_t v) { e.Amount = v; }>("Amount"),
};
constexpr TPublishedClass ListEntryClass{"TListEntry", nullptr, ListEntryProps,
                                         []() -> TObject* { return new TListEntry; }};
const TPublishedClass* TListEntry::ClassInfo() const {
  return &ListEntryClass;
}

class TLineItem : public TCollectionItem {
 public:
  std::string Text;
  const TPublishedClass* ClassInfo() const override;
};
using Line = TPublish<TLineItem>;
constexpr TPropInfo LineItemProps[] = {
    Line::String<[](const TLineItem& l) { return l.Text; },
                 [](TLineItem& l, std::string v) { l.Text = v; }>("Text"),
};
constexpr TPublishedClass LineItemClass{"TLineItem", nullptr, LineItemProps,
                                        []() -> TObject* { return new TLineItem; }};
const TPublishedClass* TLineItem::ClassInfo() const {
  return &LineItemClass;
}

std::unique_ptr<TStringList> Strings(std::initializer_list<const char*> texts) {
  auto list = std::make_unique<TStringList>();
  for (const char* text : texts) list->Add(text);
  return list;
}

std::vector<std::string> Texts(const TStringList& list) {
  std::vector<std::string> texts;
  for (int32_t i = 0; i < list.Count(); ++i) texts.push_back(list.Strings(i));
  return texts;
}

class ListStorageTest : public StorageFileTest {
 protected:
  void SetUp() override {
    StorageFileTest::SetUp();
    RegisterClass(ListEntryClass);
  }
  void TearDown() override {
    UnRegisterClass(ListEntryClass);
    StorageFileTest::TearDown();
  }
};

TEST_F(ListStorageTest, ShorterListRemovesSurplusItemsInEitherItemNameFormat) {
  for (bool oldFormat : {true, false}) {
    SCOPED_TRACE(oldFormat ? "Item0" : "Item[0]");
    {
      TXMLStoragePtr storage = Open();
      storage->StorageOptions().SetUseOldItemNameFormat(oldFormat);
      storage->WriteStringList("List", *Strings({"a", "b", "c", "d", "e"}));
    }
    {
      TXMLStoragePtr storage = Open();
      storage->StorageOptions().SetUseOldItemNameFormat(oldFormat);
      storage->WriteStringList("List", *Strings({"x", "y", "z"}));
    }
    TXMLStoragePtr storage = Open();
    storage->StorageOptions().SetUseOldItemNameFormat(oldFormat);
    EXPECT_EQ(storage->ReadListItemCount("List", "Item"), 3);
    for (int32_t i : {3, 4})
      EXPECT_FALSE(storage->ValueStored("List\\" + storage->ItemNameIndexPath("Item", i)));
    TStringList read;
    EXPECT_EQ(storage->ReadStringList("List", read), 3);
    EXPECT_EQ(Texts(read), (std::vector<std::string>{"x", "y", "z"}));
    storage->DeleteSubTree("List");
  }
  const std::string text = ReadFile();
  EXPECT_EQ(text.find("Item"), std::string::npos) << text;
}

TEST_F(ListStorageTest, SingleStringFormReadsAsLinesAndAppendsWithoutClearing) {
  {
    TXMLStoragePtr storage = Open();
    storage->WriteStringList("Notes", *Strings({"old1", "old2", "old3"}));
    storage->StorageOptions().SetStoreStringListAsSingleString(true);
    storage->WriteStringList("Notes", *Strings({"one", "two"}));
  }
  TXMLStoragePtr storage = Open();
  EXPECT_FALSE(storage->ListStored("Notes")) << "the list form was replaced";
  EXPECT_EQ(storage->ReadString("Notes", ""), "one\r\ntwo\r\n");
  auto list = Strings({"kept"});
  EXPECT_EQ(storage->ReadStringList("Notes", *list, false), 3);
  EXPECT_EQ(Texts(*list), (std::vector<std::string>{"kept", "one", "two"}));
  EXPECT_EQ(storage->ReadStringList("Notes", *list, true), 2);
}

TEST_F(ListStorageTest, WideStringItemsUseTheIndexFormWhateverTheOption) {
  const std::vector<ustring> words = {u"caf\u00e9", u"\u03b1\u03b2"};
  for (bool oldFormat : {true, false}) {
    {
      TXMLStoragePtr storage = Open();
      storage->StorageOptions().SetUseOldItemNameFormat(oldFormat);
      storage->WriteWideStringList("Wide", words);
    }
    TXMLStoragePtr storage = Open();
    storage->StorageOptions().SetUseOldItemNameFormat(oldFormat);
    EXPECT_TRUE(storage->ValueStored("Wide\\Item0"));
    EXPECT_TRUE(storage->ValueStored("Wide\\Item1"));
    std::vector<ustring> read = {u"gone"};
    EXPECT_EQ(storage->ReadWideStringList("Wide", read), 2);
    EXPECT_EQ(read, words);
    EXPECT_EQ(storage->ReadWideStringList("Missing", read), 2) << "no list leaves it alone";
  }
}

TEST_F(ListStorageTest, ObjectCollectionAndStringObjectListsRoundTrip) {
  {
    TXMLStoragePtr storage = Open();
    TObjectList objects;
    auto first = std::make_unique<TListEntry>();
    first->Amount = 5;
    objects.Add(std::move(first));
    objects.Add(nullptr);
    auto third = std::make_unique<TListEntry>();
    third->Amount = -2;
    objects.Add(std::move(third));
    storage->WriteObjectList("Objects", objects);

    TCollection lines(LineItemClass);
    static_cast<TLineItem&>(lines.Add()).Text = "first";
    static_cast<TLineItem&>(lines.Add()).Text = "second";
    storage->WriteCollection("Lines", lines);

    TStringList named(true);
    auto entry = new TListEntry;
    entry->Amount = 9;
    named.AddObject("nine", entry);
    storage->WriteStringObjectList("Named", named);
  }
  TXMLStoragePtr storage = Open();
  EXPECT_EQ(storage->ReadInteger("Objects\\Count", 0), 3) << "a null item still counts";
  EXPECT_FALSE(storage->PathExists("Objects\\Item1"));
  TObjectList objects;
  ASSERT_EQ(storage->ReadObjectList("Objects", objects), 3);
  EXPECT_EQ(static_cast<TListEntry*>(objects.Items(0))->Amount, 5);
  EXPECT_EQ(objects.Items(1), nullptr);
  EXPECT_EQ(static_cast<TListEntry*>(objects.Items(2))->Amount, -2);

  TCollection lines(LineItemClass);
  ASSERT_EQ(storage->ReadCollection("Lines", lines), 2);
  EXPECT_EQ(static_cast<TLineItem*>(lines.Items(1))->Text, "second");
  EXPECT_FALSE(lines.IsUpdating());

  TStringList named(true);
  ASSERT_EQ(storage->ReadStringObjectList("Named", named), 1);
  EXPECT_EQ(named.Strings(0), "nine");
  EXPECT_EQ(static_cast<TListEntry*>(named.Objects(0))->Amount, 9);
}

TEST_F(ListStorageTest, ItemCreatorIsInForceOnlyWhileTheListIsRead) {
  {
    TXMLStoragePtr storage = Open();
    TObjectList objects;
    objects.Add(std::make_unique<TListEntry>());
    storage->WriteObjectList("Objects", objects);
  }
  TXMLStoragePtr storage = Open();
  std::vector<std::string> paths;
  TObjectList objects;
  auto creator = [&](TJvCustomAppStorage&, const std::string& path, int32_t) {
    paths.push_back(path);
    return std::unique_ptr<TObject>(new TListEntry);
  };
  EXPECT_EQ(storage->ReadObjectList("Objects", objects, creator), 1);
  EXPECT_EQ(paths, (std::vector<std::string>{"Objects\\Item0"}));
  TJvAppStorageObjectListItemCreateEvent failing = [](TJvCustomAppStorage&, const std::string&,
                                                      int32_t) -> std::unique_ptr<TObject> {
    throw EJVCLException("no objects today");
  };
  EXPECT_THROW(storage->ReadObjectList("Objects", objects, failing), EJVCLException);
  EXPECT_EQ(objects.Count(), 1) << "a failed read leaves the list as it was";
  EXPECT_FALSE(storage->IsUpdating()) << "the update bracket was closed";
  EXPECT_EQ(storage->ReadObjectList("Objects", objects), 1) << "the default factory is back";
}

TEST_F(ListStorageTest, ReadOnlyStorageWritesNoList) {
  TXMLStoragePtr storage = Open();
  storage->SetReadOnly(true);
  storage->WriteStringList("List", *Strings({"a"}));
  EXPECT_FALSE(storage->ListStored("List"));
  EXPECT_FALSE(storage->IsUpdating());
}

// Damaged files: what the options prescribe or a clear error, never a runaway read, and the
// list and the file stay as they were.
TEST_F(ListStorageTest, DamagedListsAreRefusedOrReadAsTheOptionsSay) {
  struct Case {
    const char* Name;
    std::function<void(TJvCustomAppStorage&)> Damage;
    bool DefaultIfValueNotExists;
    bool DefaultIfReadConvertError;
    std::optional<std::vector<std::string>> Expected;  // nullopt: an exception
  };
  const std::vector<Case> cases = {
      {"negative count", [](auto& s) { s.WriteString("List\\Count", "-1"); }, true, false, {}},
      {"huge count", [](auto& s) { s.WriteString("List\\Count", "2147483647"); }, true, false, {}},
      {"count not a number",
       [](auto& s) { s.WriteString("List\\Count", "many"); },
       true,
       false,
       {}},
      {"missing middle item", [](auto& s) { s.DeleteValue("List\\Item1"); }, true, false,
       std::vector<std::string>{"a", "", "c"}},
      {"missing middle item, strict",
       [](auto& s) { s.DeleteValue("List\\Item1"); },
       false,
       false,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    {
      TXMLStoragePtr storage = Open();
      storage->DeleteSubTree("List");
      storage->WriteStringList("List", *Strings({"a", "b", "c"}));
      c.Damage(*storage);
    }
    const std::string before = ReadFile();
    {
      TXMLStoragePtr storage = Open();
      storage->StorageOptions().SetDefaultIfValueNotExists(c.DefaultIfValueNotExists);
      storage->StorageOptions().SetDefaultIfReadConvertError(c.DefaultIfReadConvertError);
      auto list = Strings({"mine"});
      if (c.Expected) {
        EXPECT_EQ(storage->ReadStringList("List", *list), static_cast<int32_t>(c.Expected->size()));
        EXPECT_EQ(Texts(*list), *c.Expected);
      } else {
        EXPECT_THROW(storage->ReadStringList("List", *list), Exception);
        EXPECT_EQ(Texts(*list), std::vector<std::string>{"mine"});
      }
      EXPECT_FALSE(storage->IsUpdating());
    }
    EXPECT_EQ(ReadFile(), before) << "reading changed the file";
  }
}

TEST_F(ListStorageTest, UnregisteredClassNameIsNamedAndNothingIsAdded) {
  {
    TXMLStoragePtr storage = Open();
    TObjectList objects;
    objects.Add(std::make_unique<TListEntry>());
    objects.Add(std::make_unique<TListEntry>());
    storage->WriteObjectList("Objects", objects);
    storage->WriteString("Objects\\Item1\\Classname", "TNoSuchClass");
  }
  TXMLStoragePtr storage = Open();
  TObjectList objects;
  try {
    storage->ReadObjectList("Objects", objects);
    FAIL() << "an unknown class was accepted";
  } catch (const EJVCLAppStorageError& e) {
    EXPECT_NE(std::string(e.what()).find("TNoSuchClass"), std::string::npos) << e.what();
  }
  EXPECT_EQ(objects.Count(), 0);
}

}  // namespace

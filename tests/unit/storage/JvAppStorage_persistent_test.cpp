#include <gtest/gtest.h>

#include "JvAppStoragePropertyEngine.h"
#include "StorageFileFixture.h"

namespace {

enum TShade { shRed, shGreen, shBlue };
constexpr std::string_view ShadeNames[] = {"shRed", "shGreen", "shBlue"};
constexpr TTypeInfo ShadeType = TTypeInfo::Enumeration("TShade", ShadeNames);
constexpr TTypeInfo ShadesType = TTypeInfo::Set("TShades", ShadeType);

class TInner : public TObject {
 public:
  int32_t Depth = 0;
  const TPublishedClass* ClassInfo() const override;
};
using Inner = TPublish<TInner>;
constexpr TPropInfo InnerProps[] = {
    Inner::Integer<[](const TInner& o) { return o.Depth; },
                   [](TInner& o, int32_t v) { o.Depth = v; }>("Depth"),
};
constexpr TPublishedClass InnerClass{"TInner", nullptr, InnerProps};
const TPublishedClass* TInner::ClassInfo() const {
  return &InnerClass;
}

// One published property of every kind.
class TSample : public TObject {
 public:
  int32_t Counter = 7;  // declared default 7
  int32_t Plain = 0;
  TShade Shade = shRed;
  TSetValue Shades;
  double Ratio = 0;
  TDateTime Stamp = 0;
  std::string Title;
  ustring WideTitle;
  std::string Variant;
  int64_t Big = 0;
  int32_t Fixed = 11;  // read-only
  // Object properties hand out the objects themselves.
  mutable TStringList Lines;
  mutable TInner Nested;
  const TPublishedClass* ClassInfo() const override;
};

using Sample = TPublish<TSample>;
constexpr TPropInfo SampleProps[] = {
    Sample::Integer<[](const TSample& o) { return o.Counter; },
                    [](TSample& o, int32_t v) { o.Counter = v; }>("Counter")
        .WithDefault(7),
    Sample::Integer<[](const TSample& o) { return o.Plain; },
                    [](TSample& o, int32_t v) { o.Plain = v; }>("Plain"),
    Sample::Ordinal<[](const TSample& o) { return o.Shade; },
                    [](TSample& o, TShade v) { o.Shade = v; }>("Shade", ShadeType)
        .WithDefault(shRed),
    Sample::Set<[](const TSample& o) { return o.Shades; },
                [](TSample& o, TSetValue v) { o.Shades = v; }>("Shades", ShadesType)
        .WithDefault(0),
    Sample::Float<[](const TSample& o) { return o.Ratio; },
                  [](TSample& o, double v) { o.Ratio = v; }>("Ratio"),
    Sample::Float<[](const TSample& o) { return o.Stamp; },
                  [](TSample& o, double v) { o.Stamp = v; }>("Stamp", DateTimeType),
    Sample::String<[](const TSample& o) { return o.Title; },
                   [](TSample& o, std::string v) { o.Title = v; }>("Title"),
    Sample::WideString<[](const TSample& o) { return o.WideTitle; },
                       [](TSample& o, ustring v) { o.WideTitle = v; }>("WideTitle"),
    Sample::Property<[](const TSample& o) { return o.Variant; },
                     [](TSample& o, std::string v) { o.Variant = v; }>("Variant",
                                                                       TPropKind::pkVariant),
    Sample::Property<[](const TSample& o) { return o.Big; },
                     [](TSample& o, int64_t v) { o.Big = v; }>("Big", TPropKind::pkInt64),
    Sample::Integer<[](const TSample& o) { return o.Fixed; }>("Fixed"),
    Sample::Object<[](const TSample& o) { return &o.Lines; },
                   [](TSample& o, TStringList* v) { o.Lines.Assign(*v); }>("Lines"),
    Sample::Object<[](const TSample& o) { return &o.Nested; },
                   [](TSample& o, TInner* v) { o.Nested.Depth = v->Depth; }>("Nested"),
};
constexpr TPublishedClass SampleClass{"TSample", nullptr, SampleProps};
const TPublishedClass* TSample::ClassInfo() const {
  return &SampleClass;
}

void Fill(TSample& s) {
  s.Counter = 42;
  s.Plain = -3;
  s.Shade = shBlue;
  s.Shades.set(shRed).set(shBlue);
  s.Ratio = 2.5;
  s.Stamp = 45418.25;  // 2024-05-06 06:00
  s.Title = "Invoice <1>";
  s.WideTitle = u"R\u00e9sum\u00e9";
  s.Variant = "v-text";
  s.Big = 9007199254740993LL;
  s.Lines.Add("first");
  s.Lines.Add("second");
  s.Nested.Depth = 4;
}

TEST(PublishedProps, ListsPropertiesInDeclarationOrderAndFindsThemByNameAnyCase) {
  std::vector<std::string_view> names;
  for (const TPropInfo* info : GetPropList(SampleClass)) names.push_back(info->Name);
  EXPECT_EQ(names.front(), "Counter");
  EXPECT_EQ(names.back(), "Nested");
  EXPECT_EQ(names.size(), std::size(SampleProps));

  TSample sample;
  const TPropInfo* info = GetPropInfo(sample, "wIdEtItLe");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Kind, TPropKind::pkWString);
  EXPECT_EQ(GetPropInfo(sample, "Nope"), nullptr);
  EXPECT_EQ(GetPropInfo(sample, "Fixed")->Set, nullptr) << "read-only";

  EXPECT_EQ(FindClass("TSample"), nullptr);
  RegisterClass(SampleClass);
  EXPECT_EQ(FindClass("tsample"), &SampleClass);
  UnRegisterClass(SampleClass);
  EXPECT_EQ(FindClass("TSample"), nullptr);
}

class PersistentStorageTest : public StorageFileTest {};

// Every kind written, saved to the file, loaded again and read into a fresh object.
TEST_F(PersistentStorageTest, EveryPropertyKindRoundTripsThroughTheFile) {
  for (bool storeDefaults : {true, false}) {
    for (bool recursive : {true, false}) {
      SCOPED_TRACE(std::string(storeDefaults ? "defaults stored" : "defaults skipped") +
                   (recursive ? ", recursive" : ", flat"));
      std::filesystem::remove(PathOf("config.xml"));
      TSample written;
      Fill(written);
      written.Counter = 7;  // holds its declared default
      {
        TXMLStoragePtr storage = Open();
        storage->StorageOptions().SetStoreDefaultValues(storeDefaults);
        storage->WritePersistent("Sample", &written, recursive);
      }
      TXMLStoragePtr storage = Open();
      EXPECT_EQ(storage->ValueStored("Sample\\Counter"), storeDefaults);
      EXPECT_EQ(storage->ValueStored("Sample\\Fixed"), storeDefaults);
      EXPECT_EQ(storage->PathExists("Sample\\Nested"), recursive);
      TSample read;
      read.Counter = 1;
      storage->ReadPersistent("Sample", &read, recursive);
      EXPECT_EQ(read.Counter, storeDefaults ? 7 : 1);
      EXPECT_EQ(read.Plain, written.Plain);
      EXPECT_EQ(read.Shade, written.Shade);
      EXPECT_EQ(read.Shades, written.Shades);
      EXPECT_DOUBLE_EQ(read.Ratio, written.Ratio);
      EXPECT_DOUBLE_EQ(read.Stamp, written.Stamp);
      EXPECT_EQ(read.Title, written.Title);
      EXPECT_EQ(read.WideTitle, written.WideTitle);
      EXPECT_EQ(read.Variant, written.Variant);
      EXPECT_EQ(read.Big, written.Big);
      EXPECT_EQ(read.Fixed, 11);
      EXPECT_EQ(read.Lines.Text(), "first\r\nsecond\r\n") << "string lists need no recursion";
      EXPECT_EQ(read.Nested.Depth, recursive ? 4 : 0);
    }
  }
}

TEST_F(PersistentStorageTest, FileTextOfAnObject) {
  TSample sample;
  Fill(sample);
  {
    TXMLStoragePtr storage = Open();
    storage->WritePersistent("Sample", &sample);
  }
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n"
      "<Configuration>\r\n"
      "  <Sample>\r\n"
      "    <Counter>42</Counter>\r\n"
      "    <Plain>-3</Plain>\r\n"
      "    <Shade>shBlue</Shade>\r\n"
      "    <Shades>\r\n"
      "      <shRed>TRUE</shRed>\r\n"
      "      <shGreen>FALSE</shGreen>\r\n"
      "      <shBlue>TRUE</shBlue>\r\n"
      "    </Shades>\r\n"
      "    <Ratio>00000000000000A00040</Ratio>\r\n"
      "    <Stamp>2024-05-06 06:00:00</Stamp>\r\n"
      "    <Title>Invoice &lt;1&gt;</Title>\r\n"
      "    <WideTitle>R&#xE9;sum&#xE9;</WideTitle>\r\n"
      "    <Variant>v-text</Variant>\r\n"
      "    <Big>9007199254740993</Big>\r\n"
      "    <Fixed>11</Fixed>\r\n"
      "    <Lines>\r\n"
      "      <Item0>first</Item0>\r\n"
      "      <Item1>second</Item1>\r\n"
      "      <Count>2</Count>\r\n"
      "    </Lines>\r\n"
      "    <Nested>\r\n"
      "      <Depth>4</Depth>\r\n"
      "    </Nested>\r\n"
      "  </Sample>\r\n"
      "</Configuration>\r\n";
  EXPECT_EQ(ReadFile(), expected);
}

TEST_F(PersistentStorageTest, IgnoredAndTranslatedNamesUseTheUntranslatedName) {
  TSample sample;
  Fill(sample);
  {
    TXMLStoragePtr storage = Open();
    storage->SetOnTranslatePropertyName(
        [](TJvCustomAppStorage&, const void*, std::string& name, bool reading) {
          EXPECT_FALSE(reading);
          name = "P_" + name;
        });
    storage->WritePersistent("Sample", &sample, true, {"Title", "plain"});
  }
  TXMLStoragePtr storage = Open();
  EXPECT_TRUE(storage->ValueStored("Sample\\P_Counter"));
  EXPECT_FALSE(storage->ValueStored("Sample\\P_Title"));
  EXPECT_FALSE(storage->ValueStored("Sample\\P_Plain"));
  storage->WriteString("Sample\\Title", "not mine");
  TSample read;
  storage->ReadPersistent("Sample", &read, true, true, {"Title"});
  EXPECT_EQ(read.Title, "");
}

// Stores itself only; its published properties stay out.
class THandled : public TSample, public IAppStorageHandler {
 public:
  void ReadFromStorage(TJvCustomAppStorage& storage, const std::string& path) override {
    Title = storage.ReadString(TJvCustomAppStorage::ChildPath(path, "Own"), "");
  }
  void WriteToStorage(TJvCustomAppStorage& storage, const std::string& path) const override {
    storage.WriteString(TJvCustomAppStorage::ChildPath(path, "Own"), Title);
  }
};

class THandledWithProps : public THandled, public IAppStoragePublishedProps {};

TEST_F(PersistentStorageTest, StorageHandlerReplacesPublishedPropertiesUnlessAskedForThem) {
  TXMLStoragePtr storage = Open();
  THandled handled;
  handled.Title = "mine";
  storage->WritePersistent("Handled", &handled);
  EXPECT_EQ(storage->ReadString("Handled\\Own", ""), "mine");
  EXPECT_FALSE(storage->ValueStored("Handled\\Title"));
  THandledWithProps both;
  both.Title = "mine";
  storage->WritePersistent("Both", &both);
  EXPECT_TRUE(storage->ValueStored("Both\\Own"));
  EXPECT_TRUE(storage->ValueStored("Both\\Title"));
  THandled read;
  storage->ReadPersistent("Handled", &read);
  EXPECT_EQ(read.Title, "mine");
}

class TLinesEngine : public TJvAppStoragePropertyBaseEngine {
 public:
  bool Supports(const TObject&, const TPropInfo& property) override {
    return property.Name == "Lines";
  }
  void WriteProperty(TJvCustomAppStorage& storage, const std::string& path, const TObject&,
                     const TPropInfo&, bool, const TJvAppStorageIgnoreProperties&) override {
    storage.WriteString(path, "by engine");
  }
};

TEST_F(PersistentStorageTest, RegisteredEngineTakesOverTheObjectPropertiesItSupports) {
  TXMLStoragePtr storage = Open();
  TSample sample;
  Fill(sample);
  RegisteredAppStoragePropertyEngineList().RegisterEngine<TLinesEngine>();
  storage->WritePersistent("Sample", &sample);
  EXPECT_EQ(storage->ReadString("Sample\\Lines", ""), "by engine");
  EXPECT_EQ(storage->ReadInteger("Sample\\Nested\\Depth", 0), 4);
  RegisteredAppStoragePropertyEngineList().UnregisterEngine<TLinesEngine>();
  storage->WritePersistent("Again", &sample);
  EXPECT_TRUE(storage->ListStored("Again\\Lines"));
}

// A value of the wrong kind: the conversion error, or the current value when the options say
// so; the file stays as it was.
TEST_F(PersistentStorageTest, WrongValueKindsFailClearlyOrKeepTheCurrentValue) {
  {
    TXMLStoragePtr storage = Open();
    storage->WriteString("Sample\\Big", "12x");
    storage->WriteString("Sample\\Shade", "shPurple");
  }
  const std::string before = ReadFile();
  for (bool useDefault : {false, true}) {
    SCOPED_TRACE(useDefault ? "defaults" : "errors");
    TXMLStoragePtr storage = Open();
    storage->StorageOptions().SetDefaultIfReadConvertError(useDefault);
    TSample read;
    read.Big = 6;
    read.Shade = shGreen;
    if (!useDefault) {
      EXPECT_THROW(storage->ReadProperty("Sample\\Big", read, "Big"), EConvertError);
    }
    if (!useDefault) {
      EXPECT_THROW(storage->ReadPersistent("Sample", &read), EConvertError);
    }
    storage->ReadProperty("Sample\\Shade", read, "Shade");
    EXPECT_EQ(read.Shade, shGreen) << "an unknown identifier gives the current value";
    if (useDefault) {
      storage->ReadPersistent("Sample", &read);
      EXPECT_EQ(read.Big, 6);
    }
    EXPECT_THROW(storage->ReadProperty("Sample\\X", read, "NoSuchProperty"), EJVCLAppStorageError);
  }
  EXPECT_EQ(ReadFile(), before);
}

}  // namespace

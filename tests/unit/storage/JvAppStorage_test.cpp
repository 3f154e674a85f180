#include "JvAppStorage.h"

#include <gtest/gtest.h>

#include "MemoryStorage.h"

namespace {

class AppStorageTest : public ::testing::Test {
 protected:
  TOwnedComponent<TMemoryStorage> OwnedStorage{new TMemoryStorage()};
  TMemoryStorage& Storage = *OwnedStorage;
  const std::string& Stored(const std::string& absolutePath) {
    return Storage.Values.at(absolutePath);
  }
};

// --- Paths

TEST(AppStoragePaths, NormalizationCollapsesDotsSeparatorsAndAbsolutePieces) {
  struct Case {
    std::vector<std::string_view> Pieces;
    std::string Expected;
  };
  const Case cases[] = {
      {{"a\\b", "c"}, "a\\b\\c"},
      {{"a\\b", "\\c"}, "c"},
      {{"a\\b\\c", ".."}, "a\\b"},
      {{"a\\b\\c", "..."}, "a"},
      {{"x\\y", "..."}, ""},
      {{"a", "...."}, ""},
      {{"a", "\\b"}, "b"},
      {{"a\\.\\b"}, "a\\b"},
      {{"\\\\a\\\\\\b\\"}, "a\\b"},
      {{"..", "a"}, "a"},
      {{"a..b", ".x"}, "a..b\\.x"},
      {{"a", "\\b", "c", "\\d\\e"}, "d\\e"},
      {{}, ""},
      {{"", ""}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TJvCustomAppStorage::ConcatPaths(c.Pieces), c.Expected) << c.Expected;
}

TEST_F(AppStorageTest, RelativeAndAbsolutePathsAddressTheSameValue) {
  EXPECT_EQ(Storage.AbsolutePath(""), "Configuration\\");
  EXPECT_EQ(Storage.AbsolutePath("\\MainForm\\FirstTime"), "Configuration\\MainForm\\FirstTime");

  Storage.WriteString("MainForm\\FirstTime", "No");
  Storage.WriteString("\\MainForm\\FirstTime", "Yes");
  Storage.SetPath("\\MainForm\\");
  EXPECT_EQ(Storage.Path(), "MainForm");
  Storage.WriteString("FirstTime", "Maybe");
  EXPECT_EQ(Storage.ReadString("\\MainForm\\FirstTime", ""), "Maybe");
  EXPECT_EQ(Storage.ReadString("..\\MainForm\\FirstTime", ""), "Maybe");
  EXPECT_EQ(Storage.Values.size(), 1u);
  EXPECT_EQ(Stored("Configuration\\MainForm\\FirstTime"), "Maybe");
}

TEST_F(AppStorageTest, SubStoragesTakeOverPathsBelowTheirRoot) {
  TMemoryStorage& forms = *new TMemoryStorage(&Storage, "Forms");
  TMemoryStorage& editor = *new TMemoryStorage(&Storage, "Editor");
  // The deeper root first: a root that an existing item already covers is refused.
  Storage.SubStorages().Add("ui\\Editor\\", &editor);
  Storage.SubStorages().Add("UI", &forms);

  Storage.WriteString("UI\\Main\\Left", "1");
  Storage.WriteString("UI\\Editor\\Font\\Size", "2");
  Storage.WriteString("UI", "3");  // the root path itself stays with the owner
  EXPECT_EQ(forms.Values.at("Forms\\Main\\Left"), "1");
  EXPECT_EQ(editor.Values.at("Editor\\Font\\Size"), "2");
  EXPECT_EQ(Stored("Configuration\\UI"), "3");

  const TJvAppStorageTarget target = Storage.ResolvePath("ui\\editor\\x");
  EXPECT_EQ(target.Store, &editor);
  EXPECT_EQ(target.Path, "\\x");

  // A storage that goes away leaves the table.
  auto* temporary = new TMemoryStorage(nullptr, "T");
  Storage.SubStorages().Add("Temp", temporary);
  EXPECT_EQ(Storage.SubStorages().Count(), 3u);
  temporary->Free();
  EXPECT_EQ(Storage.SubStorages().Count(), 2u);
  EXPECT_EQ(Storage.ResolvePath("Temp\\x").Store, &Storage);

  Storage.SubStorages().Delete("UI", true);
  EXPECT_EQ(Storage.SubStorages().Count(), 0u);
}

TEST_F(AppStorageTest, SubStorageErrorsLeaveTheTableUnchanged) {
  TMemoryStorage& a = *new TMemoryStorage(&Storage, "A");
  TMemoryStorage& b = *new TMemoryStorage(&Storage, "B");
  TJvAppSubStorage& item = Storage.SubStorages().Add("UI", &a);

  try {
    Storage.SubStorages().Add("\\UI\\Main", &b);
    FAIL() << "a covered root path was accepted";
  } catch (const EJVCLAppStorageError& e) {
    EXPECT_STREQ(e.what(), "'UI\\Main' is not a unique root path");
  }
  EXPECT_EQ(Storage.SubStorages().Count(), 1u);

  TJvAppSubStorage& other = Storage.SubStorages().Add("Other", &b);
  EXPECT_THROW(other.SetRootPath("ui"), EJVCLAppStorageError);
  EXPECT_EQ(other.RootPath(), "Other");

  // b -> Storage would close the circle Storage -> b -> Storage.
  try {
    b.SubStorages().Add("Back", &Storage);
    FAIL() << "a circular reference was accepted";
  } catch (const EJVCLAppStorageError& e) {
    EXPECT_STREQ(e.what(), "Circular reference of storages");
  }
  EXPECT_EQ(b.SubStorages().Count(), 0u);
  EXPECT_THROW(item.SetAppStorage(&Storage), EJVCLAppStorageError);
  EXPECT_EQ(item.AppStorage(), &a);
}

// --- The common read rule

TEST_F(AppStorageTest, MissingValuesReadAsDefaultWithoutConversion) {
  EXPECT_EQ(Storage.ReadInteger("Missing", 7), 7);
  EXPECT_EQ(Storage.ReadFloat("Missing", 2.5L), 2.5L);
  EXPECT_EQ(Storage.ReadBoolean("Missing", true), true);
  EXPECT_EQ(Storage.ReadString("Missing", "d"), "d");
  EXPECT_EQ(Storage.ConversionCount, 0);
  EXPECT_TRUE(Storage.Values.empty());

  Storage.StorageOptions().SetDefaultIfValueNotExists(false);
  try {
    Storage.ReadInteger("Missing", 7);
    FAIL() << "a missing value was read";
  } catch (const EJVCLException& e) {
    EXPECT_STREQ(e.what(), "Path '\\Missing' does not exists");
  }
}

TEST_F(AppStorageTest, ConversionErrorsPropagateUnlessDefaultIsAskedFor) {
  Storage.WriteString("Number", "twelve");
  EXPECT_THROW(Storage.ReadInteger("Number", 5), EConvertError);
  EXPECT_THROW(Storage.ReadFloat("Number", 5), EConvertError);
  EXPECT_THROW(Storage.ReadDateTime("Number", 5), EConvertError);

  Storage.StorageOptions().SetDefaultIfReadConvertError(true);
  EXPECT_EQ(Storage.ReadInteger("Number", 5), 5);
  EXPECT_EQ(Storage.ReadFloat("Number", 5), 5);
  EXPECT_EQ(Storage.ReadDateTime("Number", 5), 5);
}

// --- Typed values

TEST_F(AppStorageTest, FloatsAndDatesUseTheirTextForms) {
  Storage.StorageOptions().SetFloatAsString(true);
  Storage.WriteFloat("Ratio", 1.0L / 3);
  EXPECT_EQ(Stored("Configuration\\Ratio"), "0.333333333333333");

  Storage.StorageOptions().SetFloatAsString(false);
  Storage.WriteFloat("Exact", 0.1L);
  EXPECT_EQ(Storage.ReadFloat("Exact", 0), 0.1L);
  // Text written by the string route still reads through the float primitive's fallback.
  EXPECT_NEAR(static_cast<double>(Storage.ReadFloat("Ratio", 0)), 1.0 / 3, 1e-15);

  const TDateTime stamp = EncodeDate(2024, 3, 5) + EncodeTime(13, 45, 10, 0);
  Storage.WriteDateTime("Stamp", stamp);
  Storage.WriteDateTime("Day", EncodeDate(2024, 3, 5));
  EXPECT_EQ(Stored("Configuration\\Stamp"), "2024-03-05 13:45:10");
  EXPECT_EQ(Stored("Configuration\\Day"), "2024-03-05");
  EXPECT_NEAR(Storage.ReadDateTime("Stamp", 0), stamp, 1e-9);
  EXPECT_EQ(Storage.ReadDateTime("Day", 0), EncodeDate(2024, 3, 5));

  Storage.StorageOptions().SetDateTimeAsString(false);
  Storage.WriteDateTime("Raw", stamp);
  EXPECT_TRUE(Stored("Configuration\\Raw").starts_with("#"));
  EXPECT_NEAR(Storage.ReadDateTime("Raw", 0), stamp, 1e-9);
  EXPECT_NEAR(Storage.ReadDateTime("Stamp", 0), stamp, 1e-9);  // text fallback
}

TEST_F(AppStorageTest, BooleanTexts) {
  Storage.WriteBoolean("On", true);
  Storage.WriteBoolean("Off", false);
  EXPECT_EQ(Stored("Configuration\\On"), "TRUE");
  EXPECT_EQ(Stored("Configuration\\Off"), "FALSE");

  for (const char* text : {"yes", "Y", "True", "1", "-1"}) {
    Storage.WriteString("B", text);
    EXPECT_TRUE(Storage.ReadBoolean("B", false)) << text;
  }
  for (const char* text : {"no", "n", "FALSE", "0"}) {
    Storage.WriteString("B", text);
    EXPECT_FALSE(Storage.ReadBoolean("B", true)) << text;
  }
  Storage.WriteString("B", "perhaps");
  EXPECT_THROW(Storage.ReadBoolean("B", true), EConvertError);

  TJvCustomAppStorageOptions& options = Storage.StorageOptions();
  options.SetBooleanStringTrueValues("\"Ja bitte\", J");
  EXPECT_EQ(options.DefaultTrueString(), "\"Ja bitte\"");
  EXPECT_TRUE(options.IsValueTrueString("ja bitte"));
  EXPECT_TRUE(options.BooleanAsString());

  options.SetBooleanStringTrueValues("");
  EXPECT_FALSE(options.BooleanAsString());
  options.SetBooleanAsString(true);
  EXPECT_FALSE(options.BooleanAsString());
  Storage.WriteBoolean("On", true);
  EXPECT_EQ(Stored("Configuration\\On"), "1");
}

TEST_F(AppStorageTest, OptionsAssignCopiesEveryOption) {
  TJvAppStorageOptions source;
  source.SetBooleanStringTrueValues("On");
  source.SetBooleanStringFalseValues("Off");
  source.SetSetAsString(true);
  source.SetDefaultIfValueNotExists(false);
  source.SetUseOldItemNameFormat(false);
  Storage.SetStorageOptions(source);
  const TJvCustomAppStorageOptions& options = Storage.StorageOptions();
  EXPECT_EQ(options.DefaultTrueString(), "On");
  EXPECT_EQ(options.DefaultFalseString(), "Off");
  EXPECT_TRUE(options.BooleanAsString());
  EXPECT_TRUE(options.SetAsString());
  EXPECT_FALSE(options.DefaultIfValueNotExists());
  EXPECT_EQ(Storage.ItemNameIndexPath("Item", 3), "Item[3]");
}

TEST_F(AppStorageTest, EncryptedValuesRoundTripAsBase64) {
  auto reverse = [](std::string& value) { std::reverse(value.begin(), value.end()); };
  Storage.SetOnEncryptPropertyValue(reverse);
  Storage.SetOnDecryptPropertyValue(reverse);
  Storage.EnablePropertyValueCrypt();

  Storage.WriteString("Secret", "abc");
  EXPECT_EQ(Stored("Configuration\\Secret"), "Y2Jh");  // Base64 of "cba"
  EXPECT_EQ(Storage.ReadString("Secret", ""), "abc");
  EXPECT_EQ(Storage.ReadString("Missing", "fallback"), "fallback");

  const std::string longText(100, 'x');
  Storage.WriteString("Long", longText);
  EXPECT_EQ(Stored("Configuration\\Long").find("\r\n"), MimeLineLength);
  EXPECT_EQ(Storage.ReadString("Long", ""), longText);

  Storage.WriteBoolean("Flag", true);
  EXPECT_TRUE(Storage.ReadBoolean("Flag", false));
  Storage.WriteInteger("Count", 4);  // integers are never encrypted
  EXPECT_EQ(Stored("Configuration\\Count"), "4");

  Storage.DisablePropertyValueCrypt();
  EXPECT_EQ(Storage.ReadString("Secret", ""), "Y2Jh");

  Storage.EnablePropertyValueCrypt();
  EXPECT_THROW(Storage.ReadString("Count", ""), EConvertError);  // "4" is not Base64
}

TEST_F(AppStorageTest, ReadOnlyStorageIgnoresEveryWrite) {
  Storage.WriteString("Kept", "1");
  Storage.SetReadOnly(true);
  Storage.WriteString("Kept", "2");
  Storage.WriteInteger("New", 1);
  Storage.WriteWideString("Wide", u"w");
  Storage.DeleteValue("Kept");
  Storage.DeleteSubTree("");
  EXPECT_EQ(Storage.Values.size(), 1u);
  EXPECT_EQ(Storage.ReadString("Kept", ""), "1");

  Storage.SetReadOnly(false);
  Storage.WriteWideString("Wide", u"\u00e9t\u00e9");
  EXPECT_EQ(Storage.ReadWideString("Wide", u""), u"\u00e9t\u00e9");
}

// --- Enumerations and sets

enum TPlacementOption { fpState, fpSize, fpLocation, fpActiveControl };
constexpr std::string_view PlacementOptionNames[] = {"fpState", "fpSize", "fpLocation",
                                                     "fpActiveControl"};
constexpr TTypeInfo PlacementOptionType =
    TTypeInfo::Enumeration("TPlacementOption", PlacementOptionNames);
constexpr TTypeInfo PlacementOptionsType = TTypeInfo::Set("TPlacementOptions", PlacementOptionType);

constexpr TIdentMapEntry ColorIdents[] = {{0x0000FF, "clRed"}, {0xFFFFFF, "clWhite"}};
constexpr TTypeInfo ColorType = TTypeInfo::Integer("TColor", INT32_MIN, INT32_MAX, ColorIdents);

TSetValue Elements(std::initializer_list<size_t> elements) {
  TSetValue value;
  for (size_t element : elements) value.set(element);
  return value;
}

TEST_F(AppStorageTest, EnumerationsStoreIdentifiersAndReadThemBack) {
  Storage.WriteEnumeration("Option", PlacementOptionType, fpLocation);
  EXPECT_EQ(Stored("Configuration\\Option"), "fpLocation");

  const std::pair<const char*, int32_t> reads[] = {
      {"FPLOCATION", fpLocation}, {"1", fpSize}, {"9", fpActiveControl}, {"-1", fpActiveControl}};
  for (const auto& [text, expected] : reads) {
    Storage.WriteString("Option", text);
    EXPECT_EQ(Storage.ReadEnumeration("Option", PlacementOptionType, fpActiveControl), expected)
        << text;
  }
  EXPECT_EQ(Storage.ReadEnumeration("Missing", PlacementOptionType, fpSize), fpSize);
  // An unknown identifier falls back to the integer form, whose medium decides.
  Storage.WriteString("Option", "unknown");
  EXPECT_THROW(Storage.ReadEnumeration("Option", PlacementOptionType, fpSize), EConvertError);
  Storage.StorageOptions().SetDefaultIfReadConvertError(true);
  EXPECT_EQ(Storage.ReadEnumeration("Option", PlacementOptionType, fpSize), fpSize);
  Storage.StorageOptions().SetDefaultIfReadConvertError(false);

  Storage.StorageOptions().SetEnumerationAsString(false);
  Storage.WriteEnumeration("Option", PlacementOptionType, fpSize);
  EXPECT_EQ(Stored("Configuration\\Option"), "1");

  Storage.WriteEnumeration("Color", ColorType, 0x0000FF);
  Storage.WriteEnumeration("Other", ColorType, 0x123456);
  EXPECT_EQ(Stored("Configuration\\Color"), "clRed");
  EXPECT_EQ(Stored("Configuration\\Other"), std::to_string(0x123456));
  EXPECT_EQ(Storage.ReadEnumeration("Color", ColorType, 0), 0x0000FF);
  EXPECT_EQ(Storage.ReadEnumeration("Other", ColorType, 0), 0x123456);
  EXPECT_FALSE(Storage.StorageOptions().DefaultIfReadConvertError());

  constexpr TTypeInfo boolType = TTypeInfo::Boolean("Boolean");
  Storage.WriteEnumeration("Flag", boolType, 1);
  EXPECT_EQ(Stored("Configuration\\Flag"), "TRUE");
  EXPECT_EQ(Storage.ReadEnumeration("Flag", boolType, 0), 1);

  constexpr TTypeInfo floatType = TTypeInfo::Float("Double");
  EXPECT_THROW(Storage.WriteEnumeration("F", floatType, 1), EJVCLAppStorageError);
  EXPECT_THROW(Storage.ReadEnumeration("Flag", floatType, 1), EJVCLAppStorageError);
}

TEST_F(AppStorageTest, SetsAsFolderOfBooleansOrAsOneText) {
  Storage.WriteSet("Options", PlacementOptionsType, Elements({fpState, fpSize}));
  EXPECT_EQ(Stored("Configuration\\Options\\fpState"), "TRUE");
  EXPECT_EQ(Stored("Configuration\\Options\\fpSize"), "TRUE");
  EXPECT_EQ(Stored("Configuration\\Options\\fpLocation"), "FALSE");
  EXPECT_EQ(Stored("Configuration\\Options\\fpActiveControl"), "FALSE");
  EXPECT_EQ(Storage.ReadSet("Options", PlacementOptionsType, {}), Elements({fpState, fpSize}));

  Storage.StorageOptions().SetSetAsString(true);
  Storage.WriteSet("Text", PlacementOptionsType, Elements({fpSize, fpState}));
  Storage.WriteSet("Empty", PlacementOptionsType, {});
  EXPECT_EQ(Stored("Configuration\\Text"), "[fpState, fpSize]");
  EXPECT_EQ(Stored("Configuration\\Empty"), "[]");
  EXPECT_EQ(Storage.ReadSet("Text", PlacementOptionsType, {}), Elements({fpState, fpSize}));
  EXPECT_EQ(Storage.ReadSet("Empty", PlacementOptionsType, Elements({1})), TSetValue());
  EXPECT_EQ(Storage.ReadSet("Missing", PlacementOptionsType, Elements({3})), Elements({3}));

  Storage.WriteString("Text", "[fpSize..fpActiveControl, 0]");
  EXPECT_EQ(Storage.ReadSet("Text", PlacementOptionsType, {}), Elements({0, 1, 2, 3}));
  Storage.WriteString("Text", "[fpBogus]");
  try {
    Storage.ReadSet("Text", PlacementOptionsType, {});
    FAIL() << "an unknown identifier was accepted";
  } catch (const EJclRTTIError& e) {
    EXPECT_STREQ(e.what(), "Unknown identifier 'fpBogus'.");
  }
  Storage.WriteString("Text", "[7]");
  EXPECT_THROW(Storage.ReadSet("Text", PlacementOptionsType, {}), EConvertError);
}

TEST_F(AppStorageTest, SetsOfCharactersAndIntegersNameEveryElement) {
  static constexpr TTypeInfo charType = TTypeInfo::Char("AnsiChar");
  constexpr TTypeInfo charSet = TTypeInfo::Set("TCharSet", charType);
  Storage.WriteSet("Chars", charSet, Elements({'a', '\t'}));
  // One boolean per character; only control characters are kept in the folder form, since
  // "Char_A" and "Char_a" are the same name to a medium that ignores letter case.
  EXPECT_EQ(Stored("Configuration\\Chars\\Char#9"), "TRUE");
  EXPECT_EQ(Stored("Configuration\\Chars\\Char_a"), "FALSE");
  EXPECT_EQ(Stored("Configuration\\Chars\\Char#32"), "FALSE");
  EXPECT_EQ(Stored("Configuration\\Chars\\Char#255"), "FALSE");
  Storage.WriteString("Chars\\Char#10", "TRUE");
  Storage.WriteString("Chars\\Char_b", "TRUE");
  EXPECT_EQ(Storage.ReadSet("Chars", charSet, {}), Elements({'\t', '\n'}));
  // The text form keeps every character.
  Storage.StorageOptions().SetSetAsString(true);
  Storage.WriteSet("CharText", charSet, Elements({'a', '\t'}));
  EXPECT_EQ(Stored("Configuration\\CharText"), "[9, 97]");
  EXPECT_EQ(Storage.ReadSet("CharText", charSet, {}), Elements({'a', '\t'}));
  Storage.StorageOptions().SetSetAsString(false);

  static constexpr TTypeInfo smallInt = TTypeInfo::Integer("TSmall", 2, 4);
  constexpr TTypeInfo smallSet = TTypeInfo::Set("TSmallSet", smallInt);
  Storage.WriteSet("Ints", smallSet, Elements({3}));
  EXPECT_EQ(Storage.Values.count("Configuration\\Ints\\Int_1"), 0u);
  EXPECT_EQ(Stored("Configuration\\Ints\\Int_3"), "TRUE");
  EXPECT_EQ(Stored("Configuration\\Ints\\Int_4"), "FALSE");

  constexpr TTypeInfo stringSet = TTypeInfo::Set("TBad", ColorType);
  try {
    Storage.WriteSet("Bad", stringSet, {});
    FAIL() << "a set of a 32-bit integer type was accepted";
  } catch (const EJVCLAppStorageError& e) {
    EXPECT_STREQ(e.what(), "Unknown base type for given set");
  }
}

// --- Update bracketing and the medium

TEST_F(AppStorageTest, AutoFlushWritesOncePerOutermostUpdate) {
  Storage.SetAutoFlush(true);
  Storage.BeginUpdate();
  Storage.BeginUpdate();
  for (int i = 0; i < 10; ++i) Storage.WriteInteger("V" + std::to_string(i), i);
  Storage.EndUpdate();
  EXPECT_EQ(Storage.FlushCount, 0);
  Storage.EndUpdate();
  EXPECT_EQ(Storage.FlushCount, 1);

  for (int i = 0; i < 10; ++i) Storage.WriteInteger("V" + std::to_string(i), i);
  EXPECT_EQ(Storage.FlushCount, 11);

  Storage.EndUpdate();  // unmatched
  EXPECT_EQ(Storage.FlushCount, 11);
  EXPECT_FALSE(Storage.IsUpdating());

  Storage.SetAutoFlush(false);
  Storage.WriteInteger("V0", 1);
  EXPECT_EQ(Storage.FlushCount, 11);
}

TEST_F(AppStorageTest, UpdatesReachSubStoragesAndReloadFollowsTheRules) {
  TMemoryStorage& sub = *new TMemoryStorage(&Storage, "Sub");
  sub.SetAutoFlush(true);
  Storage.SubStorages().Add("S", &sub);
  Storage.BeginUpdate();
  EXPECT_TRUE(sub.IsUpdating());
  Storage.WriteInteger("S\\A", 1);
  Storage.WriteInteger("S\\B", 2);
  EXPECT_EQ(sub.FlushCount, 0);
  Storage.EndUpdate();
  EXPECT_EQ(sub.FlushCount, 1);

  Storage.Loaded();
  EXPECT_EQ(Storage.ReloadCount, 1);
  Storage.SetAutoReload(true);
  Storage.ReadString("A", "");
  EXPECT_EQ(Storage.ReloadCount, 2);
  Storage.BeginUpdate();  // reloads once on entry, not per read
  Storage.ReadString("A", "");
  Storage.Loaded();
  Storage.EndUpdate();
  EXPECT_EQ(Storage.ReloadCount, 3);
}

TEST(AppStorageLifecycle, FreeingTheOwnerFlushesUnlessSwitchedOff) {
  int flushes = 0;
  auto* owner = new TComponent(nullptr);
  auto* flushing = new TMemoryStorage(owner);
  auto* silent = new TMemoryStorage(owner);
  flushing->FlushesOutlivingStorage = &flushes;
  silent->FlushesOutlivingStorage = &flushes;
  silent->SetFlushOnDestroy(false);
  owner->Free();
  EXPECT_EQ(flushes, 1);
}

TEST_F(AppStorageTest, VersionCheckDeletesOutdatedFolders) {
  Storage.WriteInteger("Form\\Ver", 1);
  Storage.WriteString("Form\\Left", "10");
  Storage.CheckDeletePathByVersion("Form", 2, false, true, "Ver");
  EXPECT_EQ(Storage.Values.count("Configuration\\Form\\Left"), 0u);
  EXPECT_EQ(Stored("Configuration\\Form\\Ver"), "2");

  Storage.WriteInteger("Form\\Ver", 3);
  Storage.WriteString("Form\\Left", "10");
  Storage.CheckDeletePathByVersion("Form", 2, false, true, "Ver");
  EXPECT_EQ(Stored("Configuration\\Form\\Left"), "10");
  EXPECT_EQ(Stored("Configuration\\Form\\Ver"), "2");

  Storage.WriteInteger("Form\\Ver", 3);
  Storage.CheckDeletePathByVersion("Form", 2, true, false, "Ver");
  EXPECT_EQ(Storage.Values.count("Configuration\\Form\\Left"), 0u);
  EXPECT_EQ(Storage.Values.count("Configuration\\Form\\Ver"), 0u);

  Storage.SetAutoFlush(true);
  Storage.CheckDeletePathByVersion("Form", 5, false, true, "Ver");
  EXPECT_EQ(Storage.FlushCount, 1);  // one bracket, one write of the medium
}

TEST_F(AppStorageTest, StoredValuesListFoldersAndValuesWithMarkers) {
  Storage.WriteString("A\\X", "1");
  Storage.WriteString("A\\B\\Y", "2");
  Storage.WriteString("Top", "3");

  TJvAppStorageStoredNames names;
  Storage.GetStoredValues("", names);
  std::vector<std::string> found;
  for (const auto& entry : names) found.push_back(entry.Name + "=" + std::to_string(entry.Marker));
  EXPECT_EQ(found, (std::vector<std::string>{"Top=2", "A\\X=2", "A\\B\\Y=2"}));

  Storage.GetStoredValues("A", names, {aeoFolders, aeoValues, aeoReportRelative});
  found.clear();
  for (const auto& entry : names) found.push_back(entry.Name + "=" + std::to_string(entry.Marker));
  EXPECT_EQ(found, (std::vector<std::string>{"X=2", "B=1"}));
}

}  // namespace

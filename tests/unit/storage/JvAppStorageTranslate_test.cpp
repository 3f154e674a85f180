#include "JvAppStorageTranslate.h"

#include <gtest/gtest.h>

#include "FileUtils.h"
#include "JvAppStorageDateFormat.h"
#include "JvAppXMLStorage.h"
#include "SystemFolders.h"

namespace {

TEST(TranslateString, MacrosBetweenDelimitersAreExpanded) {
  TOwnedComponent<TJvTranslateString> translator(new TJvTranslateString(nullptr));
  EXPECT_EQ(translator->TranslateString("%exename%"), ProgramFileName());
  EXPECT_EQ(translator->TranslateString("% FullDirExe %/x"), ProgramFolder() + "/x");
  EXPECT_EQ(translator->TranslateString("a%foo%b"), "afoob");
  EXPECT_EQ(translator->TranslateString("50%"), "50%");
  EXPECT_EQ(translator->TranslateString("%foo%FILENAME%"),
            "foo" + ExtractFileName(ProgramFileName()));
  EXPECT_EQ(translator->TranslateString("no macros"), "no macros");
  // The build's version information; without it, placeholders stand in silently.
  const std::string version = *CORVANE_FILE_VERSION ? CORVANE_FILE_VERSION : "0.0.0.0";
  const std::string company = *CORVANE_COMPANY_NAME ? CORVANE_COMPANY_NAME : "MyCompany";
  EXPECT_EQ(translator->TranslateString("%FILEVERSION%|%COMPANY_NAME%"), version + "|" + company);
  EXPECT_EQ(translator->TranslateString("%FORMNAME%"), "") << "no form owns the translator";

  translator->SetOnProcessCommand(
      [](TJvTranslateString&, const std::string& command, bool& changed, std::string& value) {
        if (command == "user") {
          changed = true;
          value = "me";
        }
      });
  EXPECT_EQ(translator->TranslateString("[%user%]"), "[me]");

  translator->SetLeftDelimiter("<");
  translator->SetRightDelimiter(">");
  translator->SetDateFormat("yyyy");
  EXPECT_EQ(translator->TranslateString("<date>"), std::to_string(DecodeDate(Now()).Year));
}

TEST(TranslateString, ScreenAndDesktopSizesComeFromTheSourceTheProgramNames) {
  TOwnedComponent<TJvTranslateString> translator(new TJvTranslateString(nullptr));
  SetDisplaySizesSource(nullptr);
  EXPECT_EQ(translator->TranslateString("%SCREENSIZE%|%DESKTOPSIZE%"), "0x0|0x0");
  SetDisplaySizesSource([] { return TJvDisplaySizes{{1920, 1080}, {3200, 1200}}; });
  EXPECT_EQ(translator->TranslateString("%SCREENSIZE%|%DESKTOPSIZE%"), "1920x1080|3200x1200");
  SetDisplaySizesSource(nullptr);
}

TEST(TranslateString, DatePatternsFormatAndParseBack) {
  const TDateTime value = EncodeDate(2024, 3, 7) + EncodeTime(9, 5, 4, 12);
  EXPECT_EQ(FormatDateTimeText({"dd_mm_yyyy hh_nn_ss"}, value), "07_03_2024 09_05_04");
  EXPECT_EQ(FormatDateTimeText({"d/m/yy h:mm 'at' zzz", '.', '-'}, value), "7.3.24 9-05 at 012");
  const auto parsed = ParseDateTimeText({"dd_mm_yyyy hh_nn_ss"}, "07_03_2024 09_05_04");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(FormatDateTimeText({"yyyy-mm-dd hh:nn:ss"}, *parsed), "2024-03-07 09:05:04");
  EXPECT_FALSE(ParseDateTimeText({"dd_mm_yyyy"}, "31_02_2024"));
  EXPECT_FALSE(ParseDateTimeText({"dd_mm_yyyy"}, "07_03_2024 extra"));
  EXPECT_FALSE(ParseDateTimeText({"dd_mm_yyyy"}, "7_3_2024"));
}

TEST(TranslateString, StorageDatesUseTheActiveTranslatorsFormats) {
  TOwnedComponent<TJvAppXMLFileStorage> storage(new TJvAppXMLFileStorage(nullptr));
  TOwnedComponent<TJvTranslateString> external(new TJvTranslateString(nullptr));
  const TDateTime day = EncodeDate(2024, 3, 7);
  storage->WriteDateTime("Plain", day + EncodeTime(10, 0, 0, 0));
  EXPECT_EQ(storage->ReadString("Plain", ""), "2024-03-07 10:00:00");

  storage->StorageOptions().SetUseTranslateStringEngineDateTimeFormats(true);
  storage->WriteDateTime("Day", day);
  EXPECT_EQ(storage->ReadString("Day", ""), "07_03_2024");
  storage->SetTranslateStringEngine(external.get());
  external->SetDateFormat("dd/mm/yyyy");
  external->SetDateSeparator('.');
  storage->WriteDateTime("Moment", day + EncodeTime(10, 30, 0, 0));
  EXPECT_EQ(storage->ReadString("Moment", ""), "07.03.2024 10_30_00");
  EXPECT_EQ(storage->ReadDateTime("Moment", 0), day + EncodeTime(10, 30, 0, 0));
  EXPECT_EQ(storage->ReadDateTime("Plain", 0), day + EncodeTime(10, 0, 0, 0)) << "fixed form";

  external.reset();
  EXPECT_EQ(storage->TranslateStringEngine(), nullptr) << "a freed translator is forgotten";
  EXPECT_EQ(storage->ReadString("Day", ""), "07_03_2024");
}

}  // namespace

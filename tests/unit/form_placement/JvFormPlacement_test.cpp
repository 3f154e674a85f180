#include "JvFormPlacement.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "Application.h"
#include "MemoryStorage.h"
#include "Monitors.h"
#include "WindowPlacement.h"

namespace {

using TLog = std::vector<std::string>;

TLog* CurrentLog = nullptr;

void Note(const std::string& entry) {
  if (CurrentLog) CurrentLog->push_back(entry);
}

// A form as the program builds one: its own handlers, a storage and a form storage from the
// description.
class TPlacementForm : public TForm {
 public:
  using TForm::TForm;
  TMemoryStorage* Storage = nullptr;
  TJvFormStorage* FormStorage = nullptr;
  bool AllowClose = true;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TPlacementForm>()
        .Properties([](TPlacementForm& form) {
          form.SetName("MainForm");
          form.SetBounds(40, 30, 320, 200);
          form.OnShow = [](TObject*) { Note("form show"); };
          form.OnCloseQuery = [&form](TObject*, bool& canClose) {
            Note("form close query");
            canClose = form.AllowClose;
          };
          form.OnClose = [](TObject*, TCloseAction&) { Note("form close"); };
          form.OnDestroy = [](TObject*) { Note("form destroy"); };
        })
        .Component("Storage", &TPlacementForm::Storage)
        .Component("FormStorage", &TPlacementForm::FormStorage,
                   [](TPlacementForm& form, TJvFormStorage& formStorage) {
                     formStorage.SetAppStorage(form.Storage);
                     formStorage.SetAppStoragePath("%FORM_NAME%\\");
                     formStorage.OnRestorePlacement = [](TObject*) { Note("restore"); };
                     formStorage.AfterSavePlacement = [](TObject*) { Note("save"); };
                   });
  }
};

class FormPlacementTest : public testing::Test {
 protected:
  void SetUp() override {
    StartWindowFramework();
    ASSERT_NO_THROW(Application->Initialize()) << "these tests need a display (xvfb-run)";
    CurrentLog = &Log;
  }
  void TearDown() override {
    CurrentLog = nullptr;
    gdk_screen_set_resolution(gdk_screen_get_default(), -1);
    EndWindowFramework();
  }

  // A form whose storage already holds values, so that a restore has something to read.
  TPlacementForm& NewForm(const std::map<std::string, std::string>& stored = {}) {
    Application->CreateForm(Form);
    for (const auto& [path, text] : stored) Form->Storage->Values["Configuration\\" + path] = text;
    return *Form;
  }
  std::string Desktop() const {
    const TRect desktop = VirtualDesktopRect();
    return "(" + std::to_string(desktop.Width()) + "x" + std::to_string(desktop.Height()) + ")";
  }

  TLog Log;
  TPlacementForm* Form = nullptr;
};

TEST_F(FormPlacementTest, HooksRunAroundTheFormsOwnHandlersInTheirOrder) {
  TPlacementForm& form = NewForm();
  form.Show();
  EXPECT_EQ(Log, (TLog{"restore", "form show"}));

  Log.clear();
  form.AllowClose = false;
  form.Close();
  EXPECT_EQ(Log, (TLog{"form close query"})) << "a refused close saves nothing";

  Log.clear();
  form.AllowClose = true;
  form.Close();
  EXPECT_EQ(Log, (TLog{"form close query", "save", "form close"}));

  Log.clear();
  form.Free();
  EXPECT_EQ(Log, (TLog{"form destroy"})) << "saved at close, so not again";
}

TEST_F(FormPlacementTest, DestroyWithoutCloseSavesOnceAndAFormNeverShownOnlyItsVersion) {
  TPlacementForm& shown = NewForm();
  shown.Show();
  Log.clear();
  shown.Free();
  EXPECT_EQ(Log, (TLog{"save", "form destroy"}));

  TPlacementForm& hidden = NewForm();
  TLog writes;
  hidden.FormStorage->AfterSavePlacement = [&writes, storage = hidden.Storage](TObject*) {
    writes = storage->Writes;
  };
  hidden.Free();
  EXPECT_EQ(writes, (TLog{"Configuration\\MainForm\\FormVersion"}));
}

TEST_F(FormPlacementTest, SaveWritesThePlacementForThisDesktopAndInGeneral) {
  TPlacementForm& form = NewForm();
  form.Show();
  form.Storage->Writes.clear();
  form.FormStorage->SaveFormPlacement();

  const std::string p = "Configuration\\MainForm\\";
  EXPECT_EQ(form.Storage->Writes,
            (TLog{p + "FormVersion", p + "ShowCmd", p + "Flags", p + "PixelsPerInch",
                  p + "MinMaxPos" + Desktop(), p + "MinMaxPos", p + "NormPos" + Desktop(),
                  p + "NormPos"}));
  EXPECT_EQ(form.Storage->Values[p + "ShowCmd"], "1");
  EXPECT_EQ(form.Storage->Values[p + "PixelsPerInch"], "96");
  EXPECT_EQ(form.Storage->Values[p + "NormPos"], "40,30,360,230");
  EXPECT_EQ(form.Storage->Values[p + "NormPos" + Desktop()], "40,30,360,230");
}

TEST_F(FormPlacementTest, RestorePrefersThisDesktopsValuesAndAppliesState) {
  TPlacementForm& form = NewForm({{"MainForm\\NormPos", "10,10,110,110"},
                                  {"MainForm\\NormPos" + Desktop(), "100,80,600,480"},
                                  {"MainForm\\ShowCmd", "3"}});
  form.SetPosition(poDefaultPosOnly);
  form.Show();
  EXPECT_EQ(form.NormalBounds(), (TRect{100, 80, 600, 480}));
  EXPECT_EQ(form.BoundsRect(), (TRect{100, 80, 600, 480}));
  EXPECT_EQ(form.Position(), poDesigned) << "restored bounds outrank the default position";
  EXPECT_EQ(form.WindowState(), wsMaximized);
  EXPECT_EQ(GetWindowPlacement(form).NormalPosition, (TRect{100, 80, 600, 480}));
}

TEST_F(FormPlacementTest, PositionTextsWithMissingOrBadWordsUseTheFormsValues) {
  // The form stands at 40,30 with 320 x 200.
  struct Case {
    std::string Text;
    TRect Expected;
  };
  const Case cases[] = {
      {"100,50,500,350", {100, 50, 500, 350}},
      {"100 50 , 500 ,350", {100, 50, 500, 350}},
      {"100,50", {100, 50, 320, 200}},
      {"x,50,500,350", {40, 50, 500, 350}},
      {"100,50,500,99999999999", {100, 50, 500, 200}},
  };
  for (const Case& c : cases) {
    Log.clear();
    TPlacementForm& form = NewForm({{"MainForm\\NormPos", c.Text}});
    form.Show();
    EXPECT_EQ(form.NormalBounds(), c.Expected) << c.Text;
    form.Free();
  }
}

TEST_F(FormPlacementTest, BoundsOffEveryMonitorAtAnotherResolutionOrInsideOutStayUnapplied) {
  const TRect designed{40, 30, 360, 230};
  const TRect desktop = VirtualDesktopRect();
  const std::string outside =
      std::to_string(desktop.Right + 10) + ",10," + std::to_string(desktop.Right + 300) + ",200";
  const std::string straddling =
      std::to_string(desktop.Right - 100) + ",10," + std::to_string(desktop.Right + 100) + ",200";
  const std::map<std::string, std::string> cases[] = {
      {{"MainForm\\NormPos", outside}, {"MainForm\\ShowCmd", "3"}},
      {{"MainForm\\NormPos", straddling}, {"MainForm\\ShowCmd", "3"}},
      {{"MainForm\\NormPos", "-500,-400,-100,-100"}, {"MainForm\\ShowCmd", "3"}},
      {{"MainForm\\NormPos", "-500,10,200,200"}, {"MainForm\\ShowCmd", "3"}},
      {{"MainForm\\NormPos", "300,10,100,200"}, {"MainForm\\ShowCmd", "3"}},
      {{"MainForm\\NormPos", "100,300,400,100"}, {"MainForm\\ShowCmd", "3"}},
      {{"MainForm\\NormPos", "100,80,600,480"},
       {"MainForm\\PixelsPerInch", "120"},
       {"MainForm\\ShowCmd", "3"}},
  };
  for (const auto& stored : cases) {
    TPlacementForm& form = NewForm(stored);
    form.Show();
    EXPECT_EQ(form.NormalBounds(), designed) << stored.begin()->second;
    EXPECT_EQ(form.WindowState(), wsMaximized) << "the state is restored all the same";
    form.Free();
  }
}

TEST_F(FormPlacementTest, BoundsSavedAtTheScreensResolutionApply) {
  gdk_screen_set_resolution(gdk_screen_get_default(), 120);
  TPlacementForm& form =
      NewForm({{"MainForm\\NormPos", "100,80,600,480"}, {"MainForm\\PixelsPerInch", "120"}});
  form.Show();
  EXPECT_EQ(form.NormalBounds(), (TRect{100, 80, 600, 480}));
}

TEST_F(FormPlacementTest, VersionCheckDecidesWhetherTheStoredPlacementIsTaken) {
  struct Case {
    TJvFormPlacementVersionCheck Check;
    int32_t Version;
    std::string Stored;
    bool Taken;
  };
  const Case cases[] = {
      {fpvcCheckGreaterEqual, 2, "1", false}, {fpvcCheckGreaterEqual, 2, "2", true},
      {fpvcCheckGreaterEqual, 2, "3", true},  {fpvcCheckEqual, 2, "3", false},
      {fpvcCheckEqual, 2, "2", true},         {fpvcNocheck, 2, "1", true},
      {fpvcCheckGreaterEqual, 0, "", true},   {fpvcCheckEqual, 1, "", false},
  };
  for (const Case& c : cases) {
    std::map<std::string, std::string> stored{{"MainForm\\NormPos", "100,80,600,480"}};
    if (!c.Stored.empty()) stored["MainForm\\FormVersion"] = c.Stored;
    TPlacementForm& form = NewForm(stored);
    form.FormStorage->SetVersion(c.Version);
    form.FormStorage->SetVersionCheck(c.Check);
    Log.clear();
    form.Show();
    const std::string label = std::to_string(c.Check) + "/" + c.Stored;
    EXPECT_EQ(form.NormalBounds() == (TRect{100, 80, 600, 480}), c.Taken) << label;
    EXPECT_EQ(Log.front() == "restore", c.Taken) << label;

    // Not taken or not, the next save records this version with the current placement.
    form.FormStorage->SaveFormPlacement();
    const auto& values = form.Storage->Values;
    if (c.Check == fpvcNocheck)
      EXPECT_EQ(values.count("Configuration\\MainForm\\FormVersion"), c.Stored.empty() ? 0u : 1u);
    else
      EXPECT_EQ(values.at("Configuration\\MainForm\\FormVersion"), std::to_string(c.Version));
    EXPECT_EQ(values.at("Configuration\\MainForm\\NormPos"),
              c.Taken ? "100,80,600,480" : "40,30,360,230")
        << label;
    form.Free();
  }
}

TEST_F(FormPlacementTest, SavedPlacementComesBackInTheNextRun) {
  decltype(TMemoryStorage::Values) saved;
  {
    TPlacementForm& form = NewForm();
    form.Show();
    form.SetBounds(200, 150, 500, 400);
    form.Close();
    saved = form.Storage->Values;
    form.Free();
  }
  TPlacementForm& form = NewForm();
  form.Storage->Values = saved;
  form.Show();
  EXPECT_EQ(form.NormalBounds(), (TRect{200, 150, 700, 550}));
}

TEST_F(FormPlacementTest, PathPlaceholderIsResolvedOnceAndTypedValuesLiveBelowIt) {
  TPlacementForm& form = NewForm();
  TJvFormStorage& storage = *form.FormStorage;
  form.SetName("Editor");
  storage.SetAppStoragePath("Forms\\%form_name%\\Main");
  EXPECT_EQ(storage.AppStoragePath(), "Forms\\Editor\\Main\\");
  form.SetName("Renamed");
  storage.WriteString("FirstTime", "No");
  storage.WriteInteger("Count", 7);
  storage.WriteBoolean("", true);
  EXPECT_EQ(form.Storage->Values.at("Configuration\\Forms\\Editor\\Main\\FirstTime"), "No");
  EXPECT_EQ(storage.ReadInteger("Count", 0), 7);
  EXPECT_EQ(storage.ReadString("Missing", "default"), "default");
  EXPECT_EQ(storage.ReadString("", "empty ident"), "empty ident");

  storage.EraseSections();
  EXPECT_EQ(storage.ReadString("FirstTime", ""), "");
}

TEST_F(FormPlacementTest, AFreedStorageIsDroppedAndReadsFallBackToTheirDefaults) {
  TPlacementForm& form = NewForm();
  form.Storage->Free();
  EXPECT_EQ(form.FormStorage->AppStorage(), nullptr);
  EXPECT_FALSE(form.FormStorage->IsActive());
  EXPECT_EQ(form.FormStorage->ReadString("FirstTime", "none"), "none");
  form.FormStorage->WriteString("FirstTime", "No");
  form.Show();
  form.Close();
  EXPECT_EQ(Log, (TLog{"form show", "form close query", "form close"}));
}

TEST_F(FormPlacementTest, StoredValuesRoundTripByTypeAndUnderAKey) {
  TPlacementForm& form = NewForm();
  TJvFormStorage& storage = *form.FormStorage;
  storage.SetStoredValuesPath("Values");
  storage.SetStoredValue("Count", int32_t{42});
  storage.SetStoredValue("Ratio", 2.5);
  storage.SetStoredValue("Seen", TVarDate{45000.5});
  storage.SetStoredValue("Enabled", true);
  storage.SetStoredValue("Title", std::string("Invoice"));
  storage.StoredValues().Add("Secret").SetKeyString("k3y");
  storage.SetStoredValue("Secret", int32_t{1234});
  EXPECT_THROW(storage.StoredValues().Add("count"), EJVCLException);
  EXPECT_THROW(storage.StoredValues().StoredValue("Ratio")->SetName("TITLE"), EJVCLException);

  form.Show();
  form.Close();
  const auto& values = form.Storage->Values;
  EXPECT_EQ(values.at("Configuration\\MainForm\\Values\\Count"), "42");
  EXPECT_NE(values.at("Configuration\\MainForm\\Values\\Secret"), "1234");

  const std::map<std::string, std::string> saved(values.begin(), values.end());
  form.Free();
  TPlacementForm& next = NewForm();
  for (const auto& [path, text] : saved) next.Storage->Values[path] = text;
  TJvFormStorage& restored = *next.FormStorage;
  restored.SetStoredValuesPath("Values");
  restored.SetStoredValue("Count", int32_t{0});
  restored.SetStoredValue("Ratio", 0.0);
  restored.SetStoredValue("Seen", TVarDate{0});
  restored.SetStoredValue("Enabled", false);
  restored.SetStoredValue("Title", std::string());
  restored.StoredValues().Add("Secret").SetKeyString("k3y");
  restored.SetStoredValue("Secret", int32_t{0});
  restored.SetStoredValue("Unsaved", int32_t{5});
  next.Show();

  EXPECT_EQ(restored.GetStoredValue("Count"), TStoredVariant(int32_t{42}));
  EXPECT_EQ(restored.GetStoredValue("Ratio"), TStoredVariant(2.5));
  EXPECT_EQ(restored.GetStoredValue("Seen"), TStoredVariant(TVarDate{45000.5}));
  EXPECT_EQ(restored.GetStoredValue("Enabled"), TStoredVariant(true));
  EXPECT_EQ(restored.GetStoredValue("Title"), TStoredVariant(std::string("Invoice")));
  EXPECT_EQ(restored.GetStoredValue("Secret"), TStoredVariant(int32_t{1234}));
  EXPECT_EQ(restored.GetStoredValue("Unsaved"), TStoredVariant(int32_t{5}));
  EXPECT_FALSE(VarIsAssigned(restored.GetStoredValue("Nothing")));
  EXPECT_EQ(restored.GetDefaultStoredValue("Nothing", int32_t{9}), TStoredVariant(int32_t{9}));
}

TEST(StoredValueText, ScrambledTextSurvivesOnlyWithItsKeyAndHostileTextIsRefused) {
  const std::string scrambled = ScrambleText("a,b\n\xff", "key");
  EXPECT_EQ(UnscrambleText(scrambled, "key"), "a,b\n\xff");
  EXPECT_NE(UnscrambleText(scrambled, "other"), "a,b\n\xff");
  EXPECT_EQ(UnscrambleText("ABC", "key"), std::nullopt);
  EXPECT_EQ(UnscrambleText("ZZ", "key"), std::nullopt);
  EXPECT_EQ(TextToStoredVariant("12x", int32_t{1}), std::nullopt);
  EXPECT_EQ(TextToStoredVariant("true", false), TStoredVariant(true));
}

}  // namespace

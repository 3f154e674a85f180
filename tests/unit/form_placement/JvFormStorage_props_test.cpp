#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Application.h"
#include "FileUtils.h"
#include "JvAppXMLStorage.h"
#include "JvFormPlacement.h"

namespace {

std::string ConfigFile;

// A window that keeps its caption and a panel's visibility and width in config.xml.
class TPropsForm : public TForm {
 public:
  using TForm::TForm;
  TJvAppXMLFileStorage* aXMLStorage = nullptr;
  TWinControl* Panel = nullptr;
  TJvFormStorage* aFormStorage = nullptr;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TPropsForm>()
        .Properties([](TPropsForm& form) {
          form.SetName("PropsForm");
          form.SetCaption("Designed");
          form.SetBounds(40, 30, 320, 200);
        })
        .Component("aXMLStorage", &TPropsForm::aXMLStorage,
                   [](TPropsForm&, TJvAppXMLFileStorage& storage) {
                     storage.SetLocation(flCustom);
                     storage.SetFileName(ConfigFile);
                   })
        .Component("Panel", &TPropsForm::Panel,
                   [](TPropsForm&, TWinControl& panel) { panel.SetBounds(0, 0, 100, 50); })
        .Component(
            "aFormStorage", &TPropsForm::aFormStorage,
            [](TPropsForm& form, TJvFormStorage& formStorage) {
              formStorage.SetAppStorage(form.aXMLStorage);
              formStorage.SetAppStoragePath("%FORM_NAME%\\");
              formStorage.SetStoredPropsPath("Props");
              for (const char* entry : {"Panel.Visible", " Panel . Width ", "PropsForm.Caption",
                                        "Ghost.Visible", "NoDot", "Panel."})
                formStorage.StoredProps().Add(entry);
            });
  }
};

class FormStoragePropsTest : public testing::Test {
 protected:
  void SetUp() override {
    StartWindowFramework();
    ASSERT_NO_THROW(Application->Initialize()) << "these tests need a display (xvfb-run)";
    FDir = std::filesystem::temp_directory_path() / ("formprops-" + std::to_string(::getpid()));
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir);
    ConfigFile = (FDir / "config.xml").string();
  }
  void TearDown() override {
    EndWindowFramework();
    std::filesystem::remove_all(FDir);
  }
  TPropsForm& NewForm() {
    TPropsForm* form = nullptr;
    Application->CreateForm(form);
    return *form;
  }

  std::filesystem::path FDir;
};

TEST_F(FormStoragePropsTest, ChosenPropertiesComeBackInTheNextRun) {
  {
    TPropsForm& form = NewForm();
    const TJvFormStorageStringList& props = form.aFormStorage->StoredProps();
    ASSERT_EQ(props.Count(), 3) << "entries without a component or a property are dropped";
    EXPECT_EQ(props.Objects(0), form.Panel);
    EXPECT_EQ(props.Objects(2), &form);
    form.Show();
    form.SetCaption("Edited");
    form.Panel->SetBounds(0, 0, 123, 50);
    form.Panel->SetVisible(false);
    form.Close();
    form.Free();
  }
  const std::string text = ReadFileContents(ConfigFile);
  EXPECT_NE(text.find("<Props>"), std::string::npos) << text;
  EXPECT_NE(text.find("<Panel_Visible>FALSE</Panel_Visible>"), std::string::npos) << text;
  EXPECT_NE(text.find("<Panel_Width>123</Panel_Width>"), std::string::npos) << text;
  EXPECT_NE(text.find("<PropsForm_Caption>Edited</PropsForm_Caption>"), std::string::npos) << text;

  TPropsForm& form = NewForm();
  EXPECT_EQ(form.Caption(), "Designed");
  form.Show();
  EXPECT_EQ(form.Caption(), "Edited");
  EXPECT_EQ(form.Panel->Width(), 123);
  EXPECT_FALSE(form.Panel->Visible());
  form.Free();
}

TEST_F(FormStoragePropsTest, DestroyedComponentLeavesTheList) {
  TPropsForm& form = NewForm();
  form.Panel->Free();
  ASSERT_EQ(form.aFormStorage->StoredProps().Count(), 1);
  EXPECT_EQ(form.aFormStorage->StoredProps().Strings(0), "PropsForm.Caption");
  form.Free();
}

// A failing entry is dropped; the others still come back and the form shows.
TEST_F(FormStoragePropsTest, AFailingEntryDoesNotStopTheOthers) {
  TPropsForm& form = NewForm();
  form.aXMLStorage->WriteString("PropsForm\\Props\\Panel_Width", "77");
  form.aXMLStorage->WriteString("PropsForm\\Props\\PropsForm_Caption", "Stored");
  form.aXMLStorage->SetOnTranslatePropertyName(
      [](TJvCustomAppStorage&, const void*, std::string& name, bool) {
        if (name == "Panel_Visible") throw EJVCLException("no such name here");
      });
  form.Show();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(form.Panel->Width(), 77);
  EXPECT_EQ(form.Caption(), "Stored");
  form.aXMLStorage->SetOnTranslatePropertyName(nullptr);
  form.Free();
}

}  // namespace

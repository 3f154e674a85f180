#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Application.h"
#include "FileUtils.h"
#include "JvAppStoragePropertyEngine.h"
#include "JvAppXMLStorage.h"
#include "JvFormPlacement.h"
#include "TemporaryFolder.h"

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

using TLog = std::vector<std::string>;

// A form that keeps a note of its own through the storage's hooks, around a link and a stored
// value whose notifications show where in the save and the restore the hooks run.
class THookedForm : public TForm, public IAppStorageHandler {
 public:
  using TForm::TForm;
  TJvAppXMLFileStorage* aXMLStorage = nullptr;
  TJvFormStorage* aFormStorage = nullptr;
  std::string Note;
  TLog Log;

  void ReadFromStorage(TJvCustomAppStorage& Storage, const std::string& BasePath) override {
    Log.push_back("read " + BasePath);
    Note = Storage.ReadString(BasePath + "Note", "");
  }
  void WriteToStorage(TJvCustomAppStorage& Storage, const std::string& BasePath) const override {
    const_cast<THookedForm*>(this)->Log.push_back("write " + BasePath);
    Storage.WriteString(BasePath + "Note", Note);
  }

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<THookedForm>()
        .Properties([](THookedForm& form) { form.SetName("Hooked"); })
        .Component("aXMLStorage", &THookedForm::aXMLStorage,
                   [](THookedForm&, TJvAppXMLFileStorage& storage) {
                     storage.SetLocation(flCustom);
                     storage.SetFileName(ConfigFile);
                   })
        .Component("aFormStorage", &THookedForm::aFormStorage,
                   [](THookedForm& form, TJvFormStorage& formStorage) {
                     formStorage.SetAppStorage(form.aXMLStorage);
                     formStorage.SetAppStoragePath("%FORM_NAME%\\");
                     TJvStoredValue& value = formStorage.StoredValues().Add("Seen");
                     value.OnSave = [&form](TObject*, TStoredVariant&) {
                       form.Log.push_back("value save");
                     };
                     value.OnRestore = [&form](TObject*, TStoredVariant&) {
                       form.Log.push_back("value restore");
                     };
                   });
  }
};

// A component that refers to a control of its form.
class TGadget : public TComponent {
 public:
  using TComponent::TComponent;
  TWinControl* Buddy() const { return FBuddy; }
  void SetBuddy(TWinControl* value) { FBuddy = value; }
  const TPublishedClass* ClassInfo() const override;

 private:
  TWinControl* FBuddy = nullptr;
};

using Gadget = TPublish<TGadget>;
constexpr TPropInfo GadgetProps[] = {
    Gadget::Object<&TGadget::Buddy, &TGadget::SetBuddy>("Buddy"),
};
constexpr TPublishedClass GadgetClass{"TGadget", nullptr, GadgetProps};

const TPublishedClass* TGadget::ClassInfo() const {
  return &GadgetClass;
}

class TGadgetForm : public TForm {
 public:
  using TForm::TForm;
  TJvAppXMLFileStorage* aXMLStorage = nullptr;
  TWinControl* Panel1 = nullptr;
  TWinControl* Panel2 = nullptr;
  TGadget* Gadget1 = nullptr;
  TJvFormStorage* aFormStorage = nullptr;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TGadgetForm>()
        .Properties([](TGadgetForm& form) { form.SetName("GadgetForm"); })
        .Component("aXMLStorage", &TGadgetForm::aXMLStorage,
                   [](TGadgetForm&, TJvAppXMLFileStorage& storage) {
                     storage.SetLocation(flCustom);
                     storage.SetFileName(ConfigFile);
                   })
        .Component("Panel1", &TGadgetForm::Panel1)
        .Component("Panel2", &TGadgetForm::Panel2)
        .Component("Gadget1", &TGadgetForm::Gadget1)
        .Component("aFormStorage", &TGadgetForm::aFormStorage,
                   [](TGadgetForm& form, TJvFormStorage& formStorage) {
                     formStorage.SetAppStorage(form.aXMLStorage);
                     formStorage.SetAppStoragePath("%FORM_NAME%\\");
                     formStorage.StoredProps().Add("Gadget1.Buddy");
                   });
  }
};

class FormStoragePropsTest : public testing::Test {
 protected:
  void SetUp() override {
    StartWindowFramework();
    ASSERT_NO_THROW(Application->Initialize()) << "these tests need a display (xvfb-run)";
    ConfigFile = (FDir / "config.xml").string();
  }
  void TearDown() override { EndWindowFramework(); }
  template <class TFormClass = TPropsForm>
  TFormClass& NewForm() {
    TFormClass* form = nullptr;
    Application->CreateForm(form);
    return *form;
  }

  TTemporaryFolder FDir{"formprops"};
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

// The form's own hooks run after the placement and before the stored properties and values,
// with the form's path, and what they keep comes back in the next run.
TEST_F(FormStoragePropsTest, TheFormsStorageHooksRunInOrderAndKeepTheirValue) {
  {
    THookedForm& form = NewForm<THookedForm>();
    TJvIniLink link;
    link.SetStorage(form.aFormStorage);
    link.OnSave = [&form](TObject*) { form.Log.push_back("placement save"); };
    link.OnLoad = [&form](TObject*) { form.Log.push_back("placement restore"); };
    form.Show();
    form.Note = "remember me";
    form.Close();
    EXPECT_EQ(form.Log, (TLog{"placement restore", "read Hooked\\", "value restore",
                              "placement save", "write Hooked\\", "value save"}));
    form.Free();
  }
  EXPECT_NE(ReadFileContents(ConfigFile).find("<Note>remember me</Note>"), std::string::npos)
      << ReadFileContents(ConfigFile);

  THookedForm& next = NewForm<THookedForm>();
  next.Show();
  EXPECT_EQ(next.Note, "remember me");
  next.Free();
}

// A reference is kept by the component's name and comes back into a fresh form, whose reference
// is still empty; a stored name that fits no component leaves the reference alone, and a cleared
// reference stays cleared.
TEST_F(FormStoragePropsTest, AComponentReferenceComesBackIntoAFreshForm) {
  {
    TGadgetForm& form = NewForm<TGadgetForm>();
    form.Show();
    form.Gadget1->SetBuddy(form.Panel1);
    form.Close();
    form.Free();
  }
  EXPECT_NE(ReadFileContents(ConfigFile).find("<Gadget1_Buddy>Panel1</Gadget1_Buddy>"),
            std::string::npos)
      << ReadFileContents(ConfigFile);
  {
    TGadgetForm& form = NewForm<TGadgetForm>();
    ASSERT_EQ(form.Gadget1->Buddy(), nullptr);
    form.Show();
    EXPECT_EQ(form.Gadget1->Buddy(), form.Panel1);
    form.Gadget1->SetBuddy(nullptr);
    form.Close();
    form.Free();
  }
  {
    TGadgetForm& form = NewForm<TGadgetForm>();
    form.Gadget1->SetBuddy(form.Panel2);
    form.Show();
    EXPECT_EQ(form.Gadget1->Buddy(), form.Panel2) << "nothing stored once it was cleared";
    form.Free();
  }

  // No such component; a component that is no control; an empty name.
  for (const char* stored : {"Ghost", "Gadget1", ""}) {
    TGadgetForm& form = NewForm<TGadgetForm>();
    form.aXMLStorage->WriteString("GadgetForm\\Gadget1_Buddy", stored);
    form.Gadget1->SetBuddy(form.Panel2);
    form.Show();
    EXPECT_EQ(form.Gadget1->Buddy(), form.Panel2) << "stored: " << stored;
    form.Free();
  }
}

}  // namespace

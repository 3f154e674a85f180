#include "Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GtkTestSupport.h"
#include "SysUtils.h"
#include "Timers.h"

namespace {

using TLog = std::vector<std::string>;
enum class TFault { None, InLoadedStep, InCreateHandler };

// The test form's handlers and components report here; plain pointers, so no global needs
// constructing.
TLog* CurrentLog = nullptr;
TFault CurrentFault = TFault::None;

void Note(const std::string& entry) {
  CurrentLog->push_back(entry);
}

class TProbe : public TComponent {
 public:
  using TComponent::TComponent;
  int Value = 0;
  void Loaded() override;

 protected:
  ~TProbe() override { Note("destroyed " + Name()); }
};

class TResizeCounter : public TWinControl {
 public:
  using TWinControl::TWinControl;
  int Resizes = 0;

 protected:
  void Resize() override { ++Resizes; }
};

class TTestForm : public TForm {
 public:
  using TForm::TForm;
  TProbe* First = nullptr;
  TProbe* Second = nullptr;
  TResizeCounter* Panel = nullptr;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TTestForm>()
        .Properties([](TTestForm& form) {
          form.SetCaption("Test form");
          form.SetClientSize(320, 200);
          form.SetFont({"Tahoma", -11});
          form.OnCreate = [](TObject*) {
            Note("create");
            if (CurrentFault == TFault::InCreateHandler) throw Exception("create failed");
          };
          form.OnShow = [](TObject*) { Note("show"); };
          form.OnDestroy = [](TObject*) { Note("destroy handler"); };
        })
        .Component("First", &TTestForm::First, [](TTestForm&, TProbe& probe) { probe.Value = 1; })
        .Component("Second", &TTestForm::Second, [](TTestForm&, TProbe& probe) { probe.Value = 2; })
        .Component("Panel", &TTestForm::Panel,
                   [](TTestForm&, TResizeCounter& panel) { panel.SetAlign(alClient); });
  }
};

void TProbe::Loaded() {
  TComponent::Loaded();
  const auto& form = static_cast<const TTestForm&>(*Owner());
  Note(Format("loaded %s: %d %d %s", Name().c_str(), form.First->Value, form.Second->Value,
              form.Caption().c_str()));
  if (CurrentFault == TFault::InLoadedStep) throw Exception("loaded step failed");
}

class FormTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    CurrentLog = &Log;
    CurrentFault = TFault::None;
  }
  void TearDown() override {
    ApplicationTest::TearDown();  // destroys the forms, which still report
    CurrentLog = nullptr;
  }

  TLog Log;
  TTestForm* Form = nullptr;
};

std::string FontFamilyOf(GtkWidget* widget) {
  PangoFontDescription* font = nullptr;
  gtk_style_context_get(gtk_widget_get_style_context(widget), GTK_STATE_FLAG_NORMAL, "font", &font,
                        nullptr);
  std::string family = pango_font_description_get_family(font);
  pango_font_description_free(font);
  return family;
}

}  // namespace

TEST_F(FormTest, TheWholeDescriptionIsReadBeforeTheLoadedStepsAndThoseBeforeTheCreateHandler) {
  Application->CreateForm(Form);
  ASSERT_NE(Form, nullptr);
  EXPECT_EQ(Log, (TLog{"loaded First: 1 2 Test form", "loaded Second: 1 2 Test form", "create"}));
  EXPECT_EQ(Application->MainForm(), Form);
  EXPECT_EQ(Form->Panel->Parent(), Form);
  EXPECT_EQ(Form->Panel->Name(), "Panel");
  EXPECT_FALSE(Form->Panel->Loading());
  EXPECT_EQ(Form->Panel->BoundsRect(), (TRect{0, 0, 320, 200}));
  EXPECT_FALSE(Form->HandleAllocated()) << "loading alone makes no window";
}

TEST_F(FormTest, DestroyingRunsTheDestroyHandlerFirstThenTheComponentsInReverse) {
  Application->CreateForm(Form);
  Log.clear();
  EndWindowFramework();
  EXPECT_EQ(Log, (TLog{"destroy handler", "destroyed Second", "destroyed First"}));
}

TEST_F(FormTest, AFailingLoadedStepFreesTheFormWithoutItsHandlers) {
  CurrentFault = TFault::InLoadedStep;
  EXPECT_THROW(Application->CreateForm(Form), Exception);
  EXPECT_EQ(Form, nullptr);
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Application->ComponentCount(), 0);
  EXPECT_EQ(Log, (TLog{"loaded First: 1 2 Test form", "destroyed Second", "destroyed First"}));
}

TEST_F(FormTest, AnErrorInTheCreateHandlerIsHandledAndTheFormIsCreatedAnyway) {
  CurrentFault = TFault::InCreateHandler;
  std::vector<std::string> errors;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, Form);
    errors.push_back(e.what());
  };
  Application->CreateForm(Form);
  ASSERT_NE(Form, nullptr);
  EXPECT_EQ(Application->MainForm(), Form);
  EXPECT_EQ(errors, (std::vector<std::string>{"create failed"}));
  Log.clear();
  EndWindowFramework();
  EXPECT_EQ(Log.front(), "destroy handler");
}

TEST_F(FormTest, TheWindowCarriesTheFormsProperties) {
  Application->CreateForm(Form);
  // The control's widget needs its form's: asking for it creates the window too.
  GtkWidget* panel = Form->Panel->Handle();
  ASSERT_TRUE(Form->HandleAllocated());
  auto* window = GTK_WINDOW(Form->Handle());
  EXPECT_EQ(gtk_widget_get_toplevel(panel), GTK_WIDGET(window));
  EXPECT_STREQ(gtk_window_get_title(window), "Test form");
  EXPECT_TRUE(gtk_window_get_resizable(window));
  int width = 0, height = 0;
  gtk_window_get_default_size(window, &width, &height);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 200);
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window))) << "shown only by Show";
  // Children inherit the form's font.
  EXPECT_EQ(FontFamilyOf(GTK_WIDGET(window)), "Tahoma,sans-serif");
  EXPECT_EQ(FontFamilyOf(panel), "Tahoma,sans-serif");

  Form->SetCaption("Renamed");
  EXPECT_STREQ(gtk_window_get_title(window), "Renamed");
  Form->SetBorderStyle(bsSingle);
  EXPECT_FALSE(gtk_window_get_resizable(window));
}

TEST_F(FormTest, AClientAlignedControlFollowsTheClientArea) {
  Application->CreateForm(Form);
  Form->Show();
  TResizeCounter& panel = *Form->Panel;
  ASSERT_TRUE(RunLoopUntil([&] { return gtk_widget_get_allocated_width(panel.Handle()) == 320; }));
  EXPECT_EQ(gtk_widget_get_allocated_height(panel.Handle()), 200);
  const int resizesBefore = panel.Resizes;

  gtk_window_resize(GTK_WINDOW(Form->Handle()), 400, 300);
  ASSERT_TRUE(RunLoopUntil([&] { return panel.Width() == 400 && panel.Height() == 300; }));
  EXPECT_EQ(Form->ClientWidth(), 400);
  EXPECT_EQ(Form->ClientHeight(), 300);
  EXPECT_GT(panel.Resizes, resizesBefore);
  EXPECT_TRUE(RunLoopUntil([&] { return gtk_widget_get_allocated_height(panel.Handle()) == 300; }));

  // Smaller than the designed size: the client area asks for nothing of its own.
  gtk_window_resize(GTK_WINDOW(Form->Handle()), 100, 80);
  EXPECT_TRUE(RunLoopUntil([&] { return panel.Width() == 100 && panel.Height() == 80; }));
}

TEST_F(FormTest, ControlsShowHideAndTakeFocus) {
  Application->CreateForm(Form);
  Form->Show();
  TResizeCounter& panel = *Form->Panel;
  panel.SetFocus();
  EXPECT_TRUE(panel.Focused());
  panel.SetVisible(false);
  EXPECT_FALSE(gtk_widget_get_visible(panel.Handle()));
  panel.SetVisible(true);
  EXPECT_TRUE(gtk_widget_get_visible(panel.Handle()));
}

TEST_F(FormTest, ClosingAsksFirstAndClosingTheMainFormEndsTheLoop) {
  Application->CreateForm(Form);
  int queries = 0;
  Form->OnCloseQuery = [&](TObject*, bool& canClose) {
    Note("close query");
    canClose = ++queries > 1;  // refuse the first time
  };
  Form->OnClose = [](TObject*, TCloseAction& action) {
    EXPECT_EQ(action, caHide);
    Note("close");
  };
  // As the window manager's close button would.
  const TTimerId closer = SetTimer(5, [this] { gtk_window_close(GTK_WINDOW(Form->Handle())); });
  EXPECT_EQ(Application->Run(), 0);
  KillTimer(closer);
  EXPECT_EQ(Log, (TLog{"loaded First: 1 2 Test form", "loaded Second: 1 2 Test form", "create",
                       "show", "close query", "close query", "close"}));
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(FormTest, OnlyTheMainFormOwnsATaskbarEntry) {
  Application->SetMainFormOnTaskBar(true);
  TForm* mainForm = nullptr;
  TForm* other = nullptr;
  Application->CreateForm(mainForm);
  Application->CreateForm(other);
  ASSERT_EQ(Application->MainForm(), mainForm);
  mainForm->Show();
  other->Show();
  auto* otherWindow = GTK_WINDOW(other->Handle());
  EXPECT_TRUE(gtk_window_get_skip_taskbar_hint(otherWindow));
  EXPECT_EQ(gtk_window_get_transient_for(otherWindow), GTK_WINDOW(mainForm->Handle()));
  EXPECT_FALSE(gtk_window_get_skip_taskbar_hint(GTK_WINDOW(mainForm->Handle())));
}

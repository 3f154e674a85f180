#include "InfoBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "GtkTestSupport.h"
#include "SysUtils.h"

namespace {

// A window with a content control and two bars under it, both hidden at first.
class TBarForm : public TForm {
 public:
  using TForm::TForm;
  TWinControl* Content = nullptr;
  TInfoBar* Lower = nullptr;
  TInfoBar* Upper = nullptr;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TBarForm>()
        .Properties([](TBarForm& form) { form.SetClientSize(400, 300); })
        .Component("Content", &TBarForm::Content,
                   [](TBarForm&, TWinControl& content) { content.SetAlign(alClient); })
        .Component("Lower", &TBarForm::Lower,
                   [](TBarForm&, TInfoBar& bar) {
                     bar.SetAlign(alBottom);
                     bar.SetVisible(false);
                   })
        .Component("Upper", &TBarForm::Upper, [](TBarForm&, TInfoBar& bar) {
          bar.SetAlign(alBottom);
          bar.SetVisible(false);
        });
  }
};

class InfoBarTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    Application->CreateForm(Form);
    Form->Show();
    ASSERT_TRUE(RunLoopUntil([&] { return Form->Content->Height() == 300; }));
  }

  // Every widget inside widget, depth first, widget itself first.
  static std::vector<GtkWidget*> WidgetsIn(GtkWidget* widget) {
    std::vector<GtkWidget*> found{widget};
    if (!GTK_IS_CONTAINER(widget)) return found;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* item = children; item; item = item->next) {
      std::vector<GtkWidget*> inner = WidgetsIn(GTK_WIDGET(item->data));
      found.insert(found.end(), inner.begin(), inner.end());
    }
    g_list_free(children);
    return found;
  }
  static GtkWidget* FirstOfType(TInfoBar& bar, GType type) {
    for (GtkWidget* widget : WidgetsIn(bar.Handle()))
      if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) return widget;
    return nullptr;
  }
  static std::string AccessibleName(GtkWidget* widget) {
    const char* name = atk_object_get_name(gtk_widget_get_accessible(widget));
    return name ? name : "";
  }
  // The names of the bar's visible buttons, in order, the close button last.
  static std::vector<std::string> VisibleButtonNames(TInfoBar& bar) {
    std::vector<std::string> names;
    for (GtkWidget* widget : WidgetsIn(bar.Handle()))
      if (GTK_IS_BUTTON(widget) && gtk_widget_is_visible(widget))
        names.push_back(AccessibleName(widget));
    return names;
  }
  static void Press(TInfoBar& bar, const std::string& name) {
    for (GtkWidget* widget : WidgetsIn(bar.Handle()))
      if (GTK_IS_BUTTON(widget) && AccessibleName(widget) == name) {
        gtk_button_clicked(GTK_BUTTON(widget));
        return;
      }
    ADD_FAILURE() << "no button " << name;
  }

  TBarForm* Form = nullptr;
};

}  // namespace

TEST_F(InfoBarTest, ShownBarsStackFromTheBottomEdgeAndHiddenOnesGiveTheRoomBack) {
  TInfoBar& lower = *Form->Lower;
  TInfoBar& upper = *Form->Upper;
  ASSERT_GT(lower.Height(), 0);  // its widgets' height, though hidden

  lower.SetVisible(true);
  EXPECT_EQ(lower.Top(), 300 - lower.Height());
  EXPECT_EQ(lower.Width(), 400);
  EXPECT_EQ(Form->Content->Height(), 300 - lower.Height());

  upper.SetVisible(true);
  EXPECT_EQ(upper.Top(), lower.Top() - upper.Height());
  EXPECT_EQ(Form->Content->Height(), upper.Top());

  lower.SetVisible(false);
  EXPECT_EQ(upper.Top(), 300 - upper.Height());
  EXPECT_EQ(Form->Content->Height(), upper.Top());

  gtk_window_resize(GTK_WINDOW(Form->Handle()), 500, 400);
  ASSERT_TRUE(RunLoopUntil([&] { return Form->ClientHeight() == 400; }));
  EXPECT_EQ(upper.Top(), 400 - upper.Height());
  EXPECT_EQ(upper.Width(), 500);
  EXPECT_TRUE(RunLoopUntil([&] { return gtk_widget_get_allocated_height(upper.Handle()) > 0; }));
}

TEST_F(InfoBarTest, ShowsTextProgressAndButtonsAndTheButtonsRunTheirHandlers) {
  TInfoBar& bar = *Form->Lower;
  std::vector<std::string> clicks;
  bar.SetMessage("Downloading report.pdf");
  bar.SetProgress(1.5);
  bar.SetButtons(
      {{"Open", [&] { clicks.push_back("open"); }}, {"Again", [&] { clicks.push_back("again"); }}});
  bar.SetVisible(true);

  GtkWidget* label = FirstOfType(bar, GTK_TYPE_LABEL);
  ASSERT_NE(label, nullptr);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "Downloading report.pdf");
  GtkWidget* progress = FirstOfType(bar, GTK_TYPE_PROGRESS_BAR);
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(gtk_widget_get_visible(progress));
  EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(progress)), 1.0);
  EXPECT_EQ(VisibleButtonNames(bar), (std::vector<std::string>{"Open", "Again", "Close"}));

  Press(bar, "Again");
  EXPECT_EQ(clicks, (std::vector<std::string>{"again"}));

  bar.SetProgress(std::nullopt);
  EXPECT_FALSE(gtk_widget_get_visible(progress));
}

TEST_F(InfoBarTest, AButtonMayReplaceTheButtonsAndAThrowingHandlerStopsAtTheWidget) {
  TInfoBar& bar = *Form->Lower;
  std::vector<std::string> stopped;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, &bar);
    stopped.push_back(e.what());
  };
  bar.SetVisible(true);
  bar.SetButtons({{"Once", [&] { bar.SetButtons({{"Fail", [] { throw Exception("no"); }}}); }}});
  Press(bar, "Once");
  EXPECT_EQ(VisibleButtonNames(bar), (std::vector<std::string>{"Fail", "Close"}));
  Press(bar, "Fail");
  EXPECT_EQ(stopped, (std::vector<std::string>{"no"}));
  EXPECT_EQ(bar.ButtonCaption(0), "Fail");
}

TEST_F(InfoBarTest, TheCloseButtonHidesTheBarAndTellsItsOwner) {
  TInfoBar& bar = *Form->Lower;
  int closes = 0;
  bar.OnClose = [&](TObject* sender) {
    EXPECT_EQ(sender, &bar);
    EXPECT_FALSE(bar.Visible());
    ++closes;
  };
  bar.SetButtons({{"Open", {}}});
  bar.SetVisible(true);
  ASSERT_LT(Form->Content->Height(), 300);

  Press(bar, "Close");
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(Form->Content->Height(), 300);
}

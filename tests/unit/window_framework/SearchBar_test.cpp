#include "SearchBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "GtkTestSupport.h"

namespace {

// A window with a content control under a search bar that is hidden at first.
class TSearchForm : public TForm {
 public:
  using TForm::TForm;
  TSearchBar* Bar = nullptr;
  TWinControl* Content = nullptr;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TSearchForm>()
        .Properties([](TSearchForm& form) { form.SetClientSize(400, 300); })
        .Component("Bar", &TSearchForm::Bar,
                   [](TSearchForm&, TSearchBar& bar) {
                     bar.SetAlign(alTop);
                     bar.SetVisible(false);
                   })
        .Component("Content", &TSearchForm::Content,
                   [](TSearchForm&, TWinControl& content) { content.SetAlign(alClient); });
  }
};

// The first widget of type in the tree under widget, depth first.
GtkWidget* FindWidget(GtkWidget* widget, GType type) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item && !found; item = item->next)
    found = FindWidget(GTK_WIDGET(item->data), type);
  g_list_free(children);
  return found;
}

class SearchBarTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    Application->CreateForm(Form);
    Form->Show();
    ASSERT_TRUE(RunLoopUntil([&] { return Form->Content->Height() == 300; }));
    Form->Bar->OnChange = [&](TObject*) { Events.push_back("change " + Form->Bar->Text()); };
    Form->Bar->OnStep = [&](TObject*, bool backwards) {
      Events.push_back(backwards ? "previous" : "next");
    };
    Form->Bar->OnCancel = [&](TObject*) { Events.push_back("cancel"); };
  }

  GtkWidget* Entry() { return FindWidget(Form->Bar->Handle(), GTK_TYPE_ENTRY); }

  // A key pressed in the search field, as GTK delivers it.
  bool PressInEntry(guint keyval, guint state = 0) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(Entry())));
    event->key.keyval = keyval;
    event->key.state = state;
    const bool handled = gtk_widget_event(Entry(), event);
    gdk_event_free(event);
    return handled;
  }

  TSearchForm* Form = nullptr;
  std::vector<std::string> Events;
};

TEST_F(SearchBarTest, ShownItTakesRoomAtTheTopAndHiddenItGivesItBack) {
  Form->Bar->SetVisible(true);
  const int barHeight = Form->Bar->Height();
  EXPECT_GT(barHeight, 10);
  EXPECT_EQ(Form->Bar->Top(), 0);
  EXPECT_EQ(Form->Content->Top(), barHeight);
  EXPECT_EQ(Form->Content->Height(), 300 - barHeight);
  Form->Bar->SetVisible(false);
  EXPECT_EQ(Form->Content->Top(), 0);
  EXPECT_EQ(Form->Content->Height(), 300);
}

TEST_F(SearchBarTest, TypingEnterShiftEnterAndEscapeBecomeItsEvents) {
  Form->Bar->SetVisible(true);
  gtk_entry_set_text(GTK_ENTRY(Entry()), "Kestrel");
  EXPECT_EQ(Form->Bar->Text(), "Kestrel");
  EXPECT_TRUE(PressInEntry(GDK_KEY_Return));
  EXPECT_TRUE(PressInEntry(GDK_KEY_KP_Enter, GDK_SHIFT_MASK));
  EXPECT_TRUE(PressInEntry(GDK_KEY_Escape));
  // Other keys are the field's own.
  gtk_editable_set_position(GTK_EDITABLE(Entry()), -1);
  PressInEntry(GDK_KEY_a);
  EXPECT_EQ(Events, (std::vector<std::string>{"change Kestrel", "next", "previous", "cancel",
                                              "change Kestrela"}));
}

TEST_F(SearchBarTest, TheFieldNameShowsInTheEmptyFieldAndNamesItForScreenReaders) {
  Form->Bar->SetFieldName("Find in page");
  EXPECT_STREQ(gtk_entry_get_placeholder_text(GTK_ENTRY(Entry())), "Find in page");
  EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(Entry())), "Find in page");
}

TEST_F(SearchBarTest, SetTextReportsOnlyAChangeAndTheStatusShowsBesideTheField) {
  Form->Bar->SetText("Kestrel");
  Form->Bar->SetText("Kestrel");
  EXPECT_EQ(Events, std::vector<std::string>{"change Kestrel"});
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(Entry())), "Kestrel");

  Form->Bar->SetStatus("3 matches");
  GtkWidget* label = FindWidget(Form->Bar->Handle(), GTK_TYPE_LABEL);
  ASSERT_NE(label, nullptr);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "3 matches");
  EXPECT_EQ(Form->Bar->Status(), "3 matches");
}

TEST_F(SearchBarTest, FocusTextPutsTheFocusIntoTheFieldWithItsTextSelected) {
  Form->Bar->SetText("Kestrel");
  Form->Bar->SetVisible(true);
  Form->Bar->FocusText();
  EXPECT_TRUE(gtk_widget_is_focus(Entry()));
  int start = 0, end = 0;
  EXPECT_TRUE(gtk_editable_get_selection_bounds(GTK_EDITABLE(Entry()), &start, &end));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 7);
}

}  // namespace

#include "cefvcl.h"

#include <cstddef>

#include "chromium_test_fixture.h"

namespace {

using CefVclTest = ChromiumTest;
using testing::ElementsAre;

std::u16string TextOf(const TCefStringUtf16& text) {
  return text.str ? std::u16string(text.str, text.length) : u"<null>";
}

// The one-byte flags of the settings record from first to last, inclusive.
std::vector<int> FlagBytes(const TCefBrowserSettings& settings, size_t first, size_t last) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&settings);
  std::vector<int> flags;
  for (size_t offset = first; offset <= last; ++offset) flags.push_back(bytes[offset]);
  return flags;
}

// A wheel turn over widget; true when a handler claimed it.
bool ScrollOver(GtkWidget* widget, GdkScrollDirection direction, guint state, double deltaY = 0) {
  GdkEvent* event = gdk_event_new(GDK_SCROLL);
  event->scroll.direction = direction;
  event->scroll.state = state;
  event->scroll.delta_y = deltaY;
  event->scroll.window = nullptr;
  gboolean handled = FALSE;
  g_signal_emit_by_name(widget, "scroll-event", event, &handled);
  gdk_event_free(event);
  return handled == TRUE;
}

TEST_F(CefVclTest, TheSettingsRecordHoldsTheOptionsAndFontsAtTheirPlaces) {
  TChromium& control = NewControl();
  TChromiumOptions& options = control.Options();
  // Every option of the first block on, every one of the second off, so a shifted or
  // swapped field shows up as a wrong byte.
  options = {true, true, true, true, true, true, true, true, true, true, true,
             true, true, true, true, true, true, true, true, true, true};
  TChromiumFontOptions& fonts = control.FontOptions();
  fonts.SetFixedFontFamily(u"Fixed");
  fonts.SetSerifFontFamily(u"Serif");
  fonts.SetSansSerifFontFamily(u"Sans");
  fonts.SetCursiveFontFamily(u"Cursive");
  fonts.SetFantasyFontFamily(u"Fantasy");
  fonts.SetDefaultFontSize(16);
  fonts.SetDefaultFixedFontSize(13);
  fonts.SetMinimumFontSize(6);
  fonts.SetMinimumLogicalFontSize(7);
  fonts.SetRemoteFontsDisabled(true);
  control.SetDefaultEncoding(u"UTF-8");
  control.SetUserStyleSheetLocation(u"file:///user.css");

  TCefBrowserSettings settings{};
  settings.size = sizeof(settings);
  control.FillBrowserSettings(&settings);

  EXPECT_EQ(TextOf(settings.standard_font_family), u"");
  EXPECT_EQ(TextOf(settings.fixed_font_family), u"Fixed");
  EXPECT_EQ(TextOf(settings.serif_font_family), u"Serif");
  EXPECT_EQ(TextOf(settings.sans_serif_font_family), u"Sans");
  EXPECT_EQ(TextOf(settings.cursive_font_family), u"Cursive");
  EXPECT_EQ(TextOf(settings.fantasy_font_family), u"Fantasy");
  EXPECT_EQ(settings.default_font_size, 16);
  EXPECT_EQ(settings.default_fixed_font_size, 13);
  EXPECT_EQ(settings.minimum_font_size, 6);
  EXPECT_EQ(settings.minimum_logical_font_size, 7);
  EXPECT_EQ(settings.remote_fonts_disabled, 1);
  EXPECT_EQ(TextOf(settings.default_encoding), u"UTF-8");
  EXPECT_EQ(TextOf(settings.user_style_sheet_location), u"file:///user.css");
  EXPECT_EQ(settings.standard_font_family.dtor, nullptr) << "views borrow the control's text";
  const std::vector<int> firstBlock =
      FlagBytes(settings, offsetof(TCefBrowserSettings, encoding_detector_enabled),
                offsetof(TCefBrowserSettings, user_style_sheet_enabled));
  EXPECT_EQ(firstBlock, std::vector<int>(21, 1));
  const std::vector<int> secondBlock =
      FlagBytes(settings, offsetof(TCefBrowserSettings, author_and_user_styles_disabled),
                offsetof(TCefBrowserSettings, fullscreen_enabled));
  EXPECT_EQ(secondBlock, std::vector<int>(13, 0));

  options = {};
  options.AuthorAndUserStylesDisabled = options.AcceleratedCompositingDisabled =
      options.FullscreenEnabled = true;
  control.FillBrowserSettings(&settings);
  EXPECT_EQ(settings.encoding_detector_enabled + settings.user_style_sheet_enabled, 0);
  EXPECT_EQ(settings.author_and_user_styles_disabled, 1);
  EXPECT_EQ(settings.accelerated_compositing_disabled, 1);
  EXPECT_EQ(settings.fullscreen_enabled, 1);
  EXPECT_EQ(settings.accelerated_layers_disabled, 0);
}

TEST_F(CefVclTest, ARecordTooSmallIsRefusedUntouched) {
  TChromium& control = NewControl();
  control.Options().FullscreenEnabled = true;
  TCefBrowserSettings settings{};
  settings.size = sizeof(settings) - 1;
  EXPECT_THROW(control.FillBrowserSettings(&settings), Exception);
  EXPECT_EQ(settings.fullscreen_enabled, 0);
}

TEST_F(CefVclTest, LoadCreatesTheWindowAndTheBrowserFirst) {
  TChromium& control = NewControl(300, 200);
  EXPECT_FALSE(control.HandleAllocated());
  EXPECT_EQ(control.BrowserId(), 0);

  control.Load(u"http://example.test/");

  ASSERT_EQ(Fakes().Browsers().size(), 1u);
  const auto& created = Fakes().Browsers()[0];
  EXPECT_EQ(control.BrowserId(), created.Id);
  EXPECT_EQ(created.WindowInfo.style, 0x56010000u);
  EXPECT_EQ(created.WindowInfo.parent_window, control.Handle());
  EXPECT_EQ(created.WindowInfo.width, 300);
  EXPECT_EQ(created.WindowInfo.height, 200);
  EXPECT_EQ(created.SettingsSize, sizeof(TCefBrowserSettings));
  EXPECT_EQ(FakeRuntime::LastTextArgument(), u"") << "created empty, then loaded";
  EXPECT_THAT(Fakes().Log, ElementsAre("load_url http://example.test/"));
}

TEST_F(CefVclTest, TheLoadedStepLoadsTheDefaultUrl) {
  TChromium& control = NewControl();
  EXPECT_EQ(control.DefaultUrl(), u"about:blank");
  control.Loaded();
  EXPECT_THAT(Fakes().Log, ElementsAre("load_url about:blank"));
}

TEST_F(CefVclTest, WithoutABrowserEveryStepDoesNothing) {
  Fakes().MakeNone = true;
  TChromium& control = NewControl();
  control.Load(u"http://example.test/");
  EXPECT_TRUE(control.HandleAllocated());
  EXPECT_FALSE(control.Browser());
  EXPECT_EQ(control.BrowserId(), 0);
  control.ReCreateBrowser(u"http://example.test/again");
  control.SetBounds(0, 0, 50, 50);
  EXPECT_EQ(FakeRuntime::CallCount("cef_browser_host_create_browser_sync"), 1);
  EXPECT_THAT(Fakes().Log, testing::IsEmpty());
}

TEST_F(CefVclTest, ReCreateBrowserClosesTheOldBrowserAndShowsTheUrlInANewOne) {
  TChromium& control = NewControl();
  control.Load(u"about:blank");
  const int32_t oldId = control.BrowserId();
  GtkWidget* oldWindow = Fakes().Browsers()[0].Window;
  ASSERT_EQ(gtk_widget_get_parent(oldWindow), control.Handle());
  Fakes().Log.clear();

  control.ReCreateBrowser(u"http://example.test/new");

  EXPECT_NE(control.BrowserId(), oldId);
  EXPECT_EQ(control.BrowserId(), Fakes().Browsers()[1].Id);
  EXPECT_EQ(gtk_widget_get_parent(oldWindow), nullptr) << "the old browser window is destroyed";
  EXPECT_THAT(Fakes().Log, ElementsAre("parent_window_will_close " + std::to_string(oldId),
                                       "load_url http://example.test/new"));
}

TEST_F(CefVclTest, ResizingTheControlResizesTheBrowserWindow) {
  TChromium& control = NewControl(300, 200);
  control.Load(u"about:blank");
  control.SetBounds(0, 0, 420, 310);
  int width = 0, height = 0;
  gtk_widget_get_size_request(Fakes().Browsers()[0].Window, &width, &height);
  EXPECT_EQ(width, 420);
  EXPECT_EQ(height, 310);
}

TEST_F(CefVclTest, TheControlClaimsEveryKeyButTheArrows) {
  TChromium& control = NewControl();
  control.Load(u"about:blank");
  const auto claimed = [&](guint keyval) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.keyval = keyval;
    event->key.window = nullptr;
    gboolean handled = FALSE;
    g_signal_emit_by_name(control.Handle(), "key-press-event", event, &handled);
    gdk_event_free(event);
    return handled == TRUE;
  };
  EXPECT_TRUE(claimed(GDK_KEY_Tab));
  EXPECT_TRUE(claimed(GDK_KEY_Return));
  EXPECT_TRUE(claimed(GDK_KEY_Escape));
  EXPECT_FALSE(claimed(GDK_KEY_Left));
  EXPECT_FALSE(claimed(GDK_KEY_Down));
}

TEST_F(CefVclTest, WheelTurnsOverThePageBecomeWholeNotchesWithTheirModifiersFirst) {
  TChromium& control = NewControl();
  control.Load(u"about:blank");
  std::vector<std::pair<int32_t, int>> turns;
  control.OnMouseWheel = [&](TObject* sender, int32_t modifiers, int notches, bool& handled) {
    EXPECT_EQ(sender, &control);
    turns.emplace_back(modifiers, notches);
    handled = modifiers & EVENTFLAG_CONTROL_DOWN;
  };
  const auto scroll = [&](GdkScrollDirection direction, guint state, double deltaY = 0) {
    return ScrollOver(Fakes().Browsers()[0].Window, direction, state, deltaY);
  };
  EXPECT_TRUE(scroll(GDK_SCROLL_UP, GDK_CONTROL_MASK));
  EXPECT_FALSE(scroll(GDK_SCROLL_DOWN, GDK_SHIFT_MASK));
  // A touchpad's fractions: nothing until they add up to a notch, the rest is kept.
  EXPECT_FALSE(scroll(GDK_SCROLL_SMOOTH, GDK_CONTROL_MASK, 0.6));
  EXPECT_TRUE(scroll(GDK_SCROLL_SMOOTH, GDK_CONTROL_MASK, 0.6));
  EXPECT_FALSE(scroll(GDK_SCROLL_SMOOTH, GDK_CONTROL_MASK, -0.3));
  EXPECT_FALSE(scroll(GDK_SCROLL_LEFT, GDK_CONTROL_MASK));
  EXPECT_THAT(turns,
              ElementsAre(std::pair(EVENTFLAG_CONTROL_DOWN, 1), std::pair(EVENTFLAG_SHIFT_DOWN, -1),
                          std::pair(EVENTFLAG_CONTROL_DOWN, -1)));
}

TEST_F(CefVclTest, DestroyingTheControlTellsTheHostFirstAndNoLaterNotificationReachesIt) {
  TChromium& control = NewControl();
  int loadEnds = 0;
  control.OnLoadEnd = [&](TObject*, const TRef<ICefBrowser>&, const TRef<ICefFrame>&, int32_t) {
    ++loadEnds;
  };
  control.Load(u"about:blank");
  TCefClient* client = FakeRuntime::Client();
  ASSERT_NE(client, nullptr);
  TCefLoadHandler* keptHandler = client->get_load_handler(client);
  ASSERT_TRUE(FakeRuntime::FireHandler(&TCefClient::get_load_handler, &TCefLoadHandler::on_load_end,
                                       nullptr, nullptr, 200));
  EXPECT_EQ(loadEnds, 1);
  const int32_t id = control.BrowserId();
  int wheelTurns = 0;
  control.OnMouseWheel = [&](TObject*, int32_t, int, bool&) { ++wheelTurns; };
  Fakes().Log.clear();

  Free(control);

  EXPECT_THAT(Fakes().Log, ElementsAre("parent_window_will_close " + std::to_string(id)));
  // The browser's widget may outlive the control.
  EXPECT_FALSE(ScrollOver(Fakes().Browsers()[0].Window, GDK_SCROLL_UP, GDK_CONTROL_MASK));
  EXPECT_EQ(wheelTurns, 0);
  EXPECT_FALSE(FakeRuntime::FireHandler(&TCefClient::get_load_handler,
                                        &TCefLoadHandler::on_load_end, nullptr, nullptr, 200));
  FakeRuntime::Fire(keptHandler, &TCefLoadHandler::on_load_end, nullptr, nullptr, 200);
  keptHandler->base.release(&keptHandler->base);
  EXPECT_EQ(loadEnds, 1);
}

}  // namespace

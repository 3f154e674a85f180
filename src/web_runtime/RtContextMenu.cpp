#include "RtContextMenu.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtMenuModel.h"
#include "RtStrings.h"
#include "RtText.h"
#include "WebMessages.h"

namespace {

// WebKit's stock items that stay as WebKit offers them.
constexpr WebKitContextMenuAction kKeptActions[] = {
    WEBKIT_CONTEXT_MENU_ACTION_GO_BACK,
    WEBKIT_CONTEXT_MENU_ACTION_GO_FORWARD,
    WEBKIT_CONTEXT_MENU_ACTION_STOP,
    WEBKIT_CONTEXT_MENU_ACTION_RELOAD,
    WEBKIT_CONTEXT_MENU_ACTION_CUT,
    WEBKIT_CONTEXT_MENU_ACTION_COPY,
    WEBKIT_CONTEXT_MENU_ACTION_PASTE,
    WEBKIT_CONTEXT_MENU_ACTION_PASTE_AS_PLAIN_TEXT,
    WEBKIT_CONTEXT_MENU_ACTION_DELETE,
    WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL,
    WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS,
    WEBKIT_CONTEXT_MENU_ACTION_NO_GUESSES_FOUND,
    WEBKIT_CONTEXT_MENU_ACTION_IGNORE_SPELLING,
    WEBKIT_CONTEXT_MENU_ACTION_LEARN_SPELLING,
    WEBKIT_CONTEXT_MENU_ACTION_IGNORE_GRAMMAR,
    WEBKIT_CONTEXT_MENU_ACTION_INPUT_METHODS,
    WEBKIT_CONTEXT_MENU_ACTION_UNICODE,
    WEBKIT_CONTEXT_MENU_ACTION_INSERT_EMOJI,
    WEBKIT_CONTEXT_MENU_ACTION_FONT_MENU,
    WEBKIT_CONTEXT_MENU_ACTION_BOLD,
    WEBKIT_CONTEXT_MENU_ACTION_ITALIC,
    WEBKIT_CONTEXT_MENU_ACTION_UNDERLINE,
    WEBKIT_CONTEXT_MENU_ACTION_OUTLINE,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_VIDEO_LINK_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_AUDIO_LINK_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_MEDIA_PLAY,
    WEBKIT_CONTEXT_MENU_ACTION_MEDIA_PAUSE,
    WEBKIT_CONTEXT_MENU_ACTION_MEDIA_MUTE,
    WEBKIT_CONTEXT_MENU_ACTION_TOGGLE_MEDIA_CONTROLS,
    WEBKIT_CONTEXT_MENU_ACTION_TOGGLE_MEDIA_LOOP,
    WEBKIT_CONTEXT_MENU_ACTION_ENTER_VIDEO_FULLSCREEN,
};

// Stock items that stay under the name a web app's user knows them by. Saving an image goes
// through the client's download handling like any other download.
struct TRenamedAction {
  WebKitContextMenuAction Action;
  const char* Label;
};
constexpr TRenamedAction kRenamedActions[] = {
    {WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD, "Copy Link _Address"},
    {WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_IMAGE_TO_DISK, "Save _Image As…"},
};

constexpr char kOpenInBrowserAction[] = "open-link-in-browser";

bool IsKept(WebKitContextMenuAction action) {
  return std::find(std::begin(kKeptActions), std::end(kKeptActions), action) !=
         std::end(kKeptActions);
}

const char* RenamedLabel(WebKitContextMenuAction action) {
  for (const TRenamedAction& renamed : kRenamedActions)
    if (renamed.Action == action) return renamed.Label;
  return nullptr;
}

void OpenInDesktopBrowser(GtkWidget* view, const char* uri) {
  GtkWidget* top = gtk_widget_get_toplevel(view);
  g_autoptr(GError) error = nullptr;
  if (!gtk_show_uri_on_window(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, uri, GDK_CURRENT_TIME,
                              &error))
    g_printerr("No program opens %s: %s\n", uri, error ? error->message : "");
}

void OnOpenInBrowser(GSimpleAction*, GVariant* target, gpointer view) {
  Guarded(kOpenInBrowserAction,
          [&] { OpenInDesktopBrowser(GTK_WIDGET(view), g_variant_get_string(target, nullptr)); });
}

// Stands where WebKit offers to open the link in the view itself.
WebKitContextMenuItem* OpenInBrowserItem(const char* uri, GtkWidget* view) {
  g_autoptr(GSimpleAction) action =
      g_simple_action_new(kOpenInBrowserAction, G_VARIANT_TYPE_STRING);
  g_signal_connect_object(action, "activate", G_CALLBACK(OnOpenInBrowser), view, GConnectFlags(0));
  return webkit_context_menu_item_new_from_gaction(G_ACTION(action), "_Open Link in Browser",
                                                   g_variant_new_string(uri));
}

bool IsSeparator(WebKitContextMenuItem* item) {
  return webkit_context_menu_item_is_separator(item);
}

WebKitContextMenuItem* Owned(WebKitContextMenuItem* item) {
  return item ? WEBKIT_CONTEXT_MENU_ITEM(g_object_ref_sink(item)) : nullptr;
}

// What stands in the shaped menu for one of WebKit's items: the item itself, a replacement,
// or nothing. The caller owns the reference answered.
WebKitContextMenuItem* ShapedItem(WebKitContextMenuItem* item, WebKitHitTestResult* hit,
                                  GtkWidget* view) {
  if (IsSeparator(item)) return WEBKIT_CONTEXT_MENU_ITEM(g_object_ref(item));
  const WebKitContextMenuAction action = webkit_context_menu_item_get_stock_action(item);
  if (action == WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK) {
    const char* uri = webkit_hit_test_result_get_link_uri(hit);
    return IsWebAddress(uri) ? Owned(OpenInBrowserItem(uri, view)) : nullptr;
  }
  if (const char* label = RenamedLabel(action))
    return Owned(webkit_context_menu_item_new_from_stock_action_with_label(action, label));
  if (!IsKept(action)) return nullptr;
  if (WebKitContextMenu* submenu = webkit_context_menu_item_get_submenu(item)) {
    ShapeDefaultContextMenu(submenu, hit, view);
    if (webkit_context_menu_get_n_items(submenu) == 0) return nullptr;
  }
  return WEBKIT_CONTEXT_MENU_ITEM(g_object_ref(item));
}

// Separators only between groups: none first, last or twice in a row after removals.
void AppendWithoutStraySeparators(WebKitContextMenu* menu,
                                  const std::vector<WebKitContextMenuItem*>& items) {
  WebKitContextMenuItem* previous = nullptr;
  for (WebKitContextMenuItem* item : items) {
    if (IsSeparator(item) && (!previous || IsSeparator(previous))) continue;
    webkit_context_menu_append(menu, item);
    previous = item;
  }
  if (previous && IsSeparator(previous)) webkit_context_menu_remove(menu, previous);
}

}  // namespace

void ShapeDefaultContextMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit, GtkWidget* view) {
  std::vector<WebKitContextMenuItem*> shaped;
  for (GList* entry = webkit_context_menu_get_items(menu); entry; entry = entry->next)
    if (WebKitContextMenuItem* item = ShapedItem(WEBKIT_CONTEXT_MENU_ITEM(entry->data), hit, view))
      shaped.push_back(item);
  webkit_context_menu_remove_all(menu);
  AppendWithoutStraySeparators(menu, shaped);
  for (WebKitContextMenuItem* item : shaped) g_object_unref(item);
}

// ---- The client's turn ----

namespace {

// The runtime API's command ids (MENU_ID_*) of WebKit's stock actions; WebKit's other actions
// get kOwnCommandFirst + their action number.
struct TStockCommand {
  WebKitContextMenuAction Action;
  int32_t CommandId;
};
constexpr int32_t kMenuIdBack = 100, kMenuIdForward = 101, kMenuIdReload = 102,
                  kMenuIdStopLoad = 104, kMenuIdUndo = 110, kMenuIdRedo = 111, kMenuIdCut = 112,
                  kMenuIdCopy = 113, kMenuIdPaste = 114, kMenuIdDelete = 115,
                  kMenuIdSelectAll = 116, kMenuIdFirstSuggestion = 200, kSuggestionIds = 5,
                  kMenuIdNoSuggestions = 205, kMenuIdAddToDictionary = 206;
constexpr TStockCommand kStockCommands[] = {
    {WEBKIT_CONTEXT_MENU_ACTION_GO_BACK, kMenuIdBack},
    {WEBKIT_CONTEXT_MENU_ACTION_GO_FORWARD, kMenuIdForward},
    {WEBKIT_CONTEXT_MENU_ACTION_RELOAD, kMenuIdReload},
    {WEBKIT_CONTEXT_MENU_ACTION_STOP, kMenuIdStopLoad},
    {WEBKIT_CONTEXT_MENU_ACTION_CUT, kMenuIdCut},
    {WEBKIT_CONTEXT_MENU_ACTION_COPY, kMenuIdCopy},
    {WEBKIT_CONTEXT_MENU_ACTION_PASTE, kMenuIdPaste},
    {WEBKIT_CONTEXT_MENU_ACTION_DELETE, kMenuIdDelete},
    {WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL, kMenuIdSelectAll},
    {WEBKIT_CONTEXT_MENU_ACTION_NO_GUESSES_FOUND, kMenuIdNoSuggestions},
    {WEBKIT_CONTEXT_MENU_ACTION_LEARN_SPELLING, kMenuIdAddToDictionary},
};
constexpr int32_t kOwnCommandFirst = 1000;
constexpr int32_t kOpenLinkInBrowser = kOwnCommandFirst + WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK;
constexpr int32_t kFurtherSuggestionFirst = 1100;

// The parameters' bits and kinds (CM_TYPEFLAG_*, CM_MEDIATYPE_*, CM_EDITFLAG_*).
constexpr int32_t kTypePage = 1 << 0, kTypeLink = 1 << 2, kTypeMedia = 1 << 3,
                  kTypeSelection = 1 << 4, kTypeEditable = 1 << 5;
constexpr int32_t kMediaImage = 1, kMediaVideo = 2, kMediaAudio = 3;
struct TEditFlag {
  WebKitContextMenuAction Action;
  int32_t Flag;
};
constexpr TEditFlag kEditFlags[] = {
    {WEBKIT_CONTEXT_MENU_ACTION_CUT, 1 << 2},        {WEBKIT_CONTEXT_MENU_ACTION_COPY, 1 << 3},
    {WEBKIT_CONTEXT_MENU_ACTION_PASTE, 1 << 4},      {WEBKIT_CONTEXT_MENU_ACTION_DELETE, 1 << 5},
    {WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL, 1 << 6},
};

// What the client reads of the place the menu was opened on.
struct TMenuFacts {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t TypeFlags = 0;
  std::string LinkUrl;
  std::string SourceUrl;
  std::string PageUrl;
  std::string FrameUrl;  // a sub-frame's; empty on the main frame
  std::string Charset;
  int32_t MediaType = 0;
  std::string Selection;
  TCefBool Editable = 0;
  int32_t EditFlags = 0;
};

class TContextMenuParams final : public TRtCounted {
 public:
  // With one reference for the caller.
  static TContextMenuParams* New(TMenuFacts facts) {
    return new TContextMenuParams(std::move(facts));
  }
  TCefContextMenuParams* Share() { return ::Share(FFace); }
  const TMenuFacts& Facts() const { return FFacts; }

 private:
  explicit TContextMenuParams(TMenuFacts facts);
  ~TContextMenuParams() override = default;

  TFace<TCefContextMenuParams> FFace;
  const TMenuFacts FFacts;
};

const TMenuFacts& FactsOf(TCefContextMenuParams* self) {
  return OwnerOf<TContextMenuParams>(self).Facts();
}

template <auto Field>
TCefStringUserFreeUtf16 CEF_CALLBACK TextOf(TCefContextMenuParams* self) {
  return Guarded(
      "context menu params", [&] { return NewUserFree(FactsOf(self).*Field); },
      TCefStringUserFreeUtf16(nullptr));
}

template <auto Field>
auto CEF_CALLBACK ValueOf(TCefContextMenuParams* self) {
  return FactsOf(self).*Field;
}

TCefBool CEF_CALLBACK Never(TCefContextMenuParams*) {
  return 0;
}

int32_t CEF_CALLBACK NoFlags(TCefContextMenuParams*) {
  return 0;
}

TContextMenuParams::TContextMenuParams(TMenuFacts facts) : FFacts(std::move(facts)) {
  InitFace(FFace, this);
  TCefContextMenuParams& s = FFace.Struct;
  s.get_xcoord = ValueOf<&TMenuFacts::X>;
  s.get_ycoord = ValueOf<&TMenuFacts::Y>;
  s.get_type_flags = ValueOf<&TMenuFacts::TypeFlags>;
  s.get_link_url = TextOf<&TMenuFacts::LinkUrl>;
  s.get_unfiltered_link_url = TextOf<&TMenuFacts::LinkUrl>;
  s.get_source_url = TextOf<&TMenuFacts::SourceUrl>;
  s.is_image_blocked = Never;
  s.get_page_url = TextOf<&TMenuFacts::PageUrl>;
  s.get_frame_url = TextOf<&TMenuFacts::FrameUrl>;
  s.get_frame_charset = TextOf<&TMenuFacts::Charset>;
  s.get_media_type = ValueOf<&TMenuFacts::MediaType>;
  s.get_media_state_flags = NoFlags;
  s.get_selection_text = TextOf<&TMenuFacts::Selection>;
  s.is_editable = ValueOf<&TMenuFacts::Editable>;
  s.is_speech_input_enabled = Never;
  s.get_edit_state_flags = ValueOf<&TMenuFacts::EditFlags>;
}

WebKitContextMenuAction ActionOf(WebKitContextMenuItem* item) {
  return webkit_context_menu_item_get_stock_action(item);
}

bool IsEnabled(WebKitContextMenuItem* item) {
  GAction* action = webkit_context_menu_item_get_gaction(item);
  return !action || g_action_get_enabled(action);
}

bool Offers(WebKitContextMenu* menu, WebKitContextMenuAction action) {
  for (GList* entry = webkit_context_menu_get_items(menu); entry; entry = entry->next)
    if (ActionOf(WEBKIT_CONTEXT_MENU_ITEM(entry->data)) == action) return true;
  return false;
}

// What WebKit would do in the field, as its enabled editing items say.
int32_t EditFlagsOf(WebKitContextMenu* menu) {
  int32_t flags = 0;
  for (GList* entry = webkit_context_menu_get_items(menu); entry; entry = entry->next) {
    auto* item = WEBKIT_CONTEXT_MENU_ITEM(entry->data);
    for (const TEditFlag& edit : kEditFlags)
      if (ActionOf(item) == edit.Action && IsEnabled(item)) flags |= edit.Flag;
  }
  return flags;
}

int32_t MediaTypeOf(WebKitContextMenu* menu, WebKitHitTestResult* hit) {
  if (webkit_hit_test_result_context_is_image(hit)) return kMediaImage;
  if (!webkit_hit_test_result_context_is_media(hit)) return 0;
  return Offers(menu, WEBKIT_CONTEXT_MENU_ACTION_COPY_AUDIO_LINK_TO_CLIPBOARD) ? kMediaAudio
                                                                               : kMediaVideo;
}

// The web-process extension puts the clicked frame's address and selected text into the menu's
// user data.
void ReadExtensionFacts(WebKitContextMenu* menu, TMenuFacts& facts) {
  GVariant* data = webkit_context_menu_get_user_data(menu);
  if (!data || !g_variant_is_of_type(data, G_VARIANT_TYPE(webmsg::kMenuFactsType))) return;
  const char* frameUrl = nullptr;
  const char* selection = nullptr;
  g_variant_get(data, "(&s&s)", &frameUrl, &selection);  // borrowed from data
  facts.FrameUrl = TextOrEmpty(frameUrl);
  facts.Selection = TextOrEmpty(selection);
}

int32_t TypeFlagsOf(const TMenuFacts& facts, WebKitHitTestResult* hit) {
  int32_t flags = facts.PageUrl.empty() ? 0 : kTypePage;
  if (!facts.LinkUrl.empty()) flags |= kTypeLink;
  if (facts.MediaType) flags |= kTypeMedia;
  if (!facts.Selection.empty() || webkit_hit_test_result_context_is_selection(hit))
    flags |= kTypeSelection;
  if (facts.Editable) flags |= kTypeEditable;
  return flags;
}

TMenuFacts ReadFacts(WebKitWebView* view, WebKitContextMenu* menu, WebKitHitTestResult* hit,
                     GdkEvent* event) {
  TMenuFacts facts;
  gdouble x = 0, y = 0;
  if (event && gdk_event_get_coords(event, &x, &y)) {
    facts.X = int32_t(x);
    facts.Y = int32_t(y);
  }
  if (webkit_hit_test_result_context_is_link(hit))
    facts.LinkUrl = TextOrEmpty(webkit_hit_test_result_get_link_uri(hit));
  facts.MediaType = MediaTypeOf(menu, hit);
  facts.SourceUrl =
      TextOrEmpty(facts.MediaType == kMediaImage ? webkit_hit_test_result_get_image_uri(hit)
                                                 : webkit_hit_test_result_get_media_uri(hit));
  facts.PageUrl = TextOrEmpty(webkit_web_view_get_uri(view));
  facts.Charset = TextOrEmpty(webkit_web_view_get_custom_charset(view));
  ReadExtensionFacts(menu, facts);
  facts.Editable = webkit_hit_test_result_context_is_editable(hit);
  facts.EditFlags = EditFlagsOf(menu);
  facts.TypeFlags = TypeFlagsOf(facts, hit);
  return facts;
}

// ---- WebKit's menu as a model ----

bool IsOpenInBrowserItem(WebKitContextMenuItem* item) {
  GAction* action = webkit_context_menu_item_get_gaction(item);
  return action && g_strcmp0(g_action_get_name(action), kOpenInBrowserAction) == 0;
}

int32_t CommandIdOf(WebKitContextMenuItem* item, int32_t& suggestions) {
  const WebKitContextMenuAction action = ActionOf(item);
  if (action == WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS) {
    const int32_t n = suggestions++;
    return n < kSuggestionIds ? kMenuIdFirstSuggestion + n : kFurtherSuggestionFirst + n;
  }
  if (IsOpenInBrowserItem(item)) return kOpenLinkInBrowser;
  for (const TStockCommand& stock : kStockCommands)
    if (stock.Action == action) return stock.CommandId;
  return kOwnCommandFirst + action;
}

// WebKit keeps an item's label only in its old-style action.
std::string LabelOf(WebKitContextMenuItem* item) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkAction* action = webkit_context_menu_item_get_action(item);
  return TextOrEmpty(action ? gtk_action_get_label(action) : nullptr);
  G_GNUC_END_IGNORE_DEPRECATIONS
}

bool IsChecked(WebKitContextMenuItem* item) {
  GAction* action = webkit_context_menu_item_get_gaction(item);
  g_autoptr(GVariant) state = action ? g_action_get_state(action) : nullptr;
  return state && g_variant_is_of_type(state, G_VARIANT_TYPE_BOOLEAN) &&
         g_variant_get_boolean(state);
}

void ReadMenu(TMenuModel& model, WebKitContextMenu* menu) {
  int32_t suggestions = 0;
  for (GList* node = webkit_context_menu_get_items(menu); node; node = node->next) {
    auto* item = WEBKIT_CONTEXT_MENU_ITEM(node->data);
    TMenuEntry entry;
    entry.Origin.reset(WEBKIT_CONTEXT_MENU_ITEM(g_object_ref(item)));
    if (IsSeparator(item)) {
      entry.Type = MENUITEMTYPE_SEPARATOR;
    } else {
      entry.CommandId = CommandIdOf(item, suggestions);
      entry.Label = entry.OriginLabel = LabelOf(item);
      entry.Enabled = IsEnabled(item);
      entry.Checked = IsChecked(item);
      if (WebKitContextMenu* submenu = webkit_context_menu_item_get_submenu(item)) {
        entry.Type = MENUITEMTYPE_SUBMENU;
        entry.Submenu.reset(TMenuModel::New());
        ReadMenu(*entry.Submenu, submenu);
      }
    }
    model.Entries().push_back(std::move(entry));
  }
}

// ---- The client's model as WebKit's menu ----

// The browser and the parameters the client saw, for commands chosen after the menu closed.
class TMenuSession {
 public:
  TMenuSession(TBrowser& browser, TContextMenuParams* params) : FBrowser(browser), FParams(params) {
    FBrowser.AddRef();
  }
  ~TMenuSession() {
    FParams->Release();
    FBrowser.Release();
  }
  TMenuSession(const TMenuSession&) = delete;
  TMenuSession& operator=(const TMenuSession&) = delete;

  TCefContextMenuParams* ShareParams() { return FParams->Share(); }
  std::string NextActionName() { return "client-command-" + std::to_string(++FActions); }
  void Run(int32_t commandId, int32_t eventFlags);

 private:
  void RunDefault(int32_t commandId);

  TBrowser& FBrowser;
  TContextMenuParams* FParams;  // counted
  int FActions = 0;
};

using TSessionRef = std::shared_ptr<TMenuSession>;

// The client answered no: the commands the runtime knows run as WebKit's own would.
void TMenuSession::RunDefault(int32_t commandId) {
  WebKitWebView* view = FBrowser.View()->View();
  const auto edit = [view](const char* command) {
    webkit_web_view_execute_editing_command(view, command);
  };
  switch (commandId) {
    case kMenuIdBack:
      return webkit_web_view_go_back(view);
    case kMenuIdForward:
      return webkit_web_view_go_forward(view);
    case kMenuIdReload:
      return webkit_web_view_reload(view);
    case kMenuIdStopLoad:
      return webkit_web_view_stop_loading(view);
    case kMenuIdUndo:
      return edit(WEBKIT_EDITING_COMMAND_UNDO);
    case kMenuIdRedo:
      return edit(WEBKIT_EDITING_COMMAND_REDO);
    case kMenuIdCut:
      return edit(WEBKIT_EDITING_COMMAND_CUT);
    case kMenuIdCopy:
      return edit(WEBKIT_EDITING_COMMAND_COPY);
    case kMenuIdPaste:
      return edit(WEBKIT_EDITING_COMMAND_PASTE);
    case kMenuIdDelete:
      return edit("Delete");
    case kMenuIdSelectAll:
      return edit(WEBKIT_EDITING_COMMAND_SELECT_ALL);
    case kOpenLinkInBrowser:
      if (IsWebAddress(FParams->Facts().LinkUrl.c_str()))
        OpenInDesktopBrowser(GTK_WIDGET(view), FParams->Facts().LinkUrl.c_str());
      return;
    default:
      return;
  }
}

void TMenuSession::Run(int32_t commandId, int32_t eventFlags) {
  if (!FBrowser.IsAlive()) return;
  bool handled = false;
  FBrowser.WithHandler(&TCefClient::get_context_menu_handler, [&](TCefContextMenuHandler* handler) {
    if (handler->on_context_menu_command)
      handled =
          handler->on_context_menu_command(handler, FBrowser.ShareBrowser(), FBrowser.NewFrame(0),
                                           ShareParams(), commandId, eventFlags) != 0;
  });
  if (!handled && FBrowser.IsAlive()) RunDefault(commandId);
}

struct TCommandTarget {
  TSessionRef Session;
  int32_t CommandId;
};

void OnCommand(GSimpleAction*, GVariant*, gpointer data) {
  Guarded("context menu command", [&] {
    auto* target = static_cast<TCommandTarget*>(data);
    GdkModifierType state = GdkModifierType(0);
    gtk_get_current_event_state(&state);
    target->Session->Run(target->CommandId, ModifiersOf(state));
  });
}

void FreeCommandTarget(gpointer data, GClosure*) {
  delete static_cast<TCommandTarget*>(data);
}

// An item whose activation goes to the client first. Check and radio items show their state.
WebKitContextMenuItem* CommandItem(const TMenuEntry& entry, const TSessionRef& session) {
  const std::string name = session->NextActionName();
  const bool checkable = entry.Type == MENUITEMTYPE_CHECK || entry.Type == MENUITEMTYPE_RADIO;
  g_autoptr(GSimpleAction) action =
      checkable ? g_simple_action_new_stateful(name.c_str(), nullptr,
                                               g_variant_new_boolean(entry.Checked))
                : g_simple_action_new(name.c_str(), nullptr);
  g_simple_action_set_enabled(action, entry.Enabled);
  g_signal_connect_data(action, "activate", G_CALLBACK(OnCommand),
                        new TCommandTarget{session, entry.CommandId}, FreeCommandTarget,
                        GConnectFlags(0));
  return webkit_context_menu_item_new_from_gaction(G_ACTION(action), entry.Label.c_str(), nullptr);
}

WebKitContextMenu* BuildMenu(std::vector<TMenuEntry>& entries, const TSessionRef& session);

// What shows an entry, with a reference for the caller, or nullptr for nothing. WebKit's own
// item as long as the client did not change it, so WebKit's action stays.
WebKitContextMenuItem* ItemFor(TMenuEntry& entry, const TSessionRef& session) {
  if (!entry.Visible) return nullptr;
  if (entry.Type == MENUITEMTYPE_SEPARATOR) return Owned(webkit_context_menu_item_new_separator());
  WebKitContextMenuItem* origin = entry.Origin.get();
  if (origin && entry.Enabled && entry.Label == entry.OriginLabel)
    return WEBKIT_CONTEXT_MENU_ITEM(g_object_ref(origin));
  if (origin && entry.Enabled && !entry.Submenu &&
      ActionOf(origin) != WEBKIT_CONTEXT_MENU_ACTION_CUSTOM)
    return Owned(webkit_context_menu_item_new_from_stock_action_with_label(ActionOf(origin),
                                                                           entry.Label.c_str()));
  if (entry.Type == MENUITEMTYPE_SUBMENU && entry.Submenu) {
    WebKitContextMenu* submenu = BuildMenu(entry.Submenu->Entries(), session);
    WebKitContextMenuItem* item =
        webkit_context_menu_get_n_items(submenu) == 0
            ? nullptr
            : Owned(webkit_context_menu_item_new_with_submenu(entry.Label.c_str(), submenu));
    g_object_unref(submenu);
    return item;
  }
  return Owned(CommandItem(entry, session));
}

void AppendEntries(WebKitContextMenu* menu, std::vector<TMenuEntry>& entries,
                   const TSessionRef& session) {
  std::vector<WebKitContextMenuItem*> items;
  for (TMenuEntry& entry : entries)
    if (WebKitContextMenuItem* item = ItemFor(entry, session)) items.push_back(item);
  AppendWithoutStraySeparators(menu, items);
  for (WebKitContextMenuItem* item : items) g_object_unref(item);
}

WebKitContextMenu* BuildMenu(std::vector<TMenuEntry>& entries, const TSessionRef& session) {
  WebKitContextMenu* menu = webkit_context_menu_new();
  AppendEntries(menu, entries, session);
  return menu;
}

}  // namespace

bool OfferContextMenu(TBrowser& browser, WebKitContextMenu* menu, WebKitHitTestResult* hit,
                      GdkEvent* event) {
  bool showNone = false;
  browser.WithHandler(&TCefClient::get_context_menu_handler, [&](TCefContextMenuHandler* handler) {
    auto session = std::make_shared<TMenuSession>(
        browser, TContextMenuParams::New(ReadFacts(browser.View()->View(), menu, hit, event)));
    std::unique_ptr<TMenuModel, TMenuModelRelease> model(TMenuModel::New());
    ReadMenu(*model, menu);
    if (handler->on_before_context_menu)
      handler->on_before_context_menu(handler, browser.ShareBrowser(), browser.NewFrame(0),
                                      session->ShareParams(), model->Share());
    webkit_context_menu_remove_all(menu);
    AppendEntries(menu, model->Entries(), session);
    showNone = webkit_context_menu_get_n_items(menu) == 0;
  });
  return showNone;
}

void ReportContextMenuDismissed(TBrowser& browser) {
  browser.WithHandler(&TCefClient::get_context_menu_handler, [&](TCefContextMenuHandler* handler) {
    if (handler->on_context_menu_dismissed)
      handler->on_context_menu_dismissed(handler, browser.ShareBrowser(), browser.NewFrame(0));
  });
}

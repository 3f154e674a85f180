#include "RtContextMenu.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "RtGuard.h"
#include "RtText.h"

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

void OnOpenInBrowser(GSimpleAction*, GVariant* target, gpointer view) {
  Guarded(kOpenInBrowserAction, [&] {
    const char* uri = g_variant_get_string(target, nullptr);
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
    g_autoptr(GError) error = nullptr;
    if (!gtk_show_uri_on_window(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, uri,
                                GDK_CURRENT_TIME, &error))
      g_printerr("No program opens %s: %s\n", uri, error ? error->message : "");
  });
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

gboolean OnContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent*,
                       WebKitHitTestResult* hit, gpointer) {
  Guarded("context-menu", [&] { ShapeDefaultContextMenu(menu, hit, GTK_WIDGET(view)); });
  return FALSE;
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

void ConnectContextMenu(WebKitWebView* view) {
  g_signal_connect(view, "context-menu", G_CALLBACK(OnContextMenu), nullptr);
}

// The browser and host structures' entries.

#include <cmath>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtHistory.h"
#include "RtStrings.h"

namespace {

// Zoom levels count steps of 20 percent from 100 percent.
constexpr double kZoomStep = 1.2;

WebKitWebView* ViewOf(TBrowser& browser) {
  return browser.View() ? browser.View()->View() : nullptr;
}

TBrowser& BrowserOf(TCefBrowser* self) {
  return OwnerOf<TBrowser>(self);
}
TBrowser& BrowserOf(TCefBrowserHost* self) {
  return OwnerOf<TBrowser>(self);
}

// Runs a WebKit view action when the browser still has its view.
template <class TAction>
void OnView(TCefBrowser* self, const char* where, TAction action) {
  Guarded(where, [&] {
    if (WebKitWebView* view = ViewOf(BrowserOf(self))) action(view);
  });
}

// A load the client asks for.
template <class TAction>
void Navigate(TCefBrowser* self, const char* where, TAction action) {
  OnView(self, where, [&](WebKitWebView* view) {
    BrowserOf(self).View()->ClientNavigates();
    action(view);
  });
}

template <class TQuery>
TCefBool AskView(TCefBrowser* self, const char* where, TQuery query) {
  return Guarded(
      where,
      [&] {
        WebKitWebView* view = ViewOf(BrowserOf(self));
        return TCefBool(view && query(view));
      },
      TCefBool(0));
}

}  // namespace

struct TBrowserEntries {
  static TCefBrowserHost* CEF_CALLBACK get_host(TCefBrowser* self) {
    return BrowserOf(self).ShareHost();
  }
  static TCefBool CEF_CALLBACK can_go_back(TCefBrowser* self) {
    return AskView(self, "can_go_back", CanGoBack);
  }
  static void CEF_CALLBACK go_back(TCefBrowser* self) { Navigate(self, "go_back", GoBack); }
  static TCefBool CEF_CALLBACK can_go_forward(TCefBrowser* self) {
    return AskView(self, "can_go_forward", webkit_web_view_can_go_forward);
  }
  static void CEF_CALLBACK go_forward(TCefBrowser* self) {
    Navigate(self, "go_forward", webkit_web_view_go_forward);
  }
  static TCefBool CEF_CALLBACK is_loading(TCefBrowser* self) {
    return AskView(self, "is_loading", webkit_web_view_is_loading);
  }
  static void CEF_CALLBACK reload(TCefBrowser* self) {
    Navigate(self, "reload", webkit_web_view_reload);
  }
  static void CEF_CALLBACK reload_ignore_cache(TCefBrowser* self) {
    Navigate(self, "reload_ignore_cache", webkit_web_view_reload_bypass_cache);
  }
  static void CEF_CALLBACK stop_load(TCefBrowser* self) {
    OnView(self, "stop_load", webkit_web_view_stop_loading);
  }
  static int32_t CEF_CALLBACK get_identifier(TCefBrowser* self) { return BrowserOf(self).Id(); }
  static TCefBool CEF_CALLBACK is_popup(TCefBrowser* self) { return BrowserOf(self).IsPopup(); }
  static TCefBool CEF_CALLBACK has_document(TCefBrowser* self) {
    return BrowserOf(self).MainFrameId() != 0;
  }
  static TCefFrame* CEF_CALLBACK get_main_frame(TCefBrowser* self) {
    return Guarded(
        "get_main_frame",
        [&]() -> TCefFrame* {
          TBrowser& browser = BrowserOf(self);
          return browser.IsAlive() ? browser.NewFrame(0) : nullptr;
        },
        static_cast<TCefFrame*>(nullptr));
  }
  // Focus is not tracked per frame: the main frame stands for the focused one.
  static TCefFrame* CEF_CALLBACK get_focused_frame(TCefBrowser* self) {
    return get_main_frame(self);
  }
  static TCefFrame* CEF_CALLBACK get_frame_byident(TCefBrowser* self, int64_t identifier) {
    return Guarded(
        "get_frame_byident",
        [&]() -> TCefFrame* {
          TBrowser& browser = BrowserOf(self);
          const auto id = uint64_t(identifier);
          return id != 0 && browser.HasFrame(id) ? browser.NewFrame(id) : nullptr;
        },
        static_cast<TCefFrame*>(nullptr));
  }
  static TCefFrame* CEF_CALLBACK get_frame(TCefBrowser* self, TCefConstString* name) {
    return Guarded(
        "get_frame",
        [&]() -> TCefFrame* {
          TBrowser& browser = BrowserOf(self);
          const std::string wanted = ToUtf8(name);
          if (wanted.empty()) return browser.IsAlive() ? browser.NewFrame(0) : nullptr;
          for (uint64_t id : browser.FrameIds())
            if (browser.FrameName(id) == wanted) return browser.NewFrame(id);
          return nullptr;
        },
        static_cast<TCefFrame*>(nullptr));
  }
  static uint32_t CEF_CALLBACK get_frame_count(TCefBrowser* self) {
    return uint32_t(BrowserOf(self).FrameIds().size());
  }
  static void CEF_CALLBACK get_frame_identifiers(TCefBrowser* self, uint32_t* count,
                                                 int64_t* identifiers) {
    Guarded("get_frame_identifiers", [&] {
      if (!count) return;
      const std::vector<uint64_t> ids = BrowserOf(self).FrameIds();
      uint32_t written = 0;
      for (; identifiers && written < *count && written < ids.size(); ++written)
        identifiers[written] = int64_t(ids[written]);
      *count = written;
    });
  }
  static void CEF_CALLBACK get_frame_names(TCefBrowser* self, TCefStringList names) {
    Guarded("get_frame_names", [&] {
      TBrowser& browser = BrowserOf(self);
      for (uint64_t id : browser.FrameIds()) {
        const std::u16string name = Utf8ToU16(browser.FrameName(id));
        const TCefStringUtf16 record = Borrow(name);
        cef_string_list_append(names, &record);
      }
    });
  }
  // Only the page's web process can be sent to: this is the browser process.
  static TCefBool CEF_CALLBACK send_process_message(TCefBrowser* self, TCefProcessId target,
                                                    TCefProcessMessage* message) {
    const TCefBool sent = Guarded(
        "send_process_message",
        [&] {
          TWebView* view = BrowserOf(self).View();
          return TCefBool(target == PID_RENDERER && view && view->SendProcessMessage(message));
        },
        TCefBool(0));
    ReleaseObject(message);
    return sent;
  }

  static TCefBrowser* CEF_CALLBACK host_get_browser(TCefBrowserHost* self) {
    return BrowserOf(self).ShareBrowser();
  }
  static void CEF_CALLBACK parent_window_will_close(TCefBrowserHost* self) {
    Guarded("parent_window_will_close", [&] { BrowserOf(self).ForceClose(); });
  }
  static void CEF_CALLBACK close_browser(TCefBrowserHost* self) {
    Guarded("close_browser", [&] { BrowserOf(self).CloseRequested(); });
  }
  static void CEF_CALLBACK set_focus(TCefBrowserHost* self, TCefBool enable) {
    Guarded("set_focus", [&] { BrowserOf(self).SetFocus(enable != 0); });
  }
  static cef_window_handle_t CEF_CALLBACK get_window_handle(TCefBrowserHost* self) {
    TWebView* view = BrowserOf(self).View();
    return view ? view->Widget() : nullptr;
  }
  static cef_window_handle_t CEF_CALLBACK get_opener_window_handle(TCefBrowserHost* self) {
    TBrowser* opener = BrowserOf(self).Opener();
    return opener && opener->View() ? opener->View()->Widget() : nullptr;
  }
  static TCefClient* CEF_CALLBACK get_client(TCefBrowserHost* self) {
    TCefClient* client = BrowserOf(self).Client();
    if (client && client->base.add_ref) client->base.add_ref(&client->base);
    return client;
  }
  // No developer tools: no address.
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_dev_tools_url(TCefBrowserHost*, TCefBool) {
    return nullptr;
  }
  static double CEF_CALLBACK get_zoom_level(TCefBrowserHost* self) {
    WebKitWebView* view = ViewOf(BrowserOf(self));
    return view ? std::log(webkit_web_view_get_zoom_level(view)) / std::log(kZoomStep) : 0.0;
  }
  static void CEF_CALLBACK set_zoom_level(TCefBrowserHost* self, double level) {
    WebKitWebView* view = ViewOf(BrowserOf(self));
    if (view && std::isfinite(level))
      webkit_web_view_set_zoom_level(view, std::pow(kZoomStep, level));
  }
};

void TBrowser::InitFaces() {
  InitFace(FBrowserFace, this);
  TCefBrowser& b = FBrowserFace.Struct;
  b.get_host = TBrowserEntries::get_host;
  b.can_go_back = TBrowserEntries::can_go_back;
  b.go_back = TBrowserEntries::go_back;
  b.can_go_forward = TBrowserEntries::can_go_forward;
  b.go_forward = TBrowserEntries::go_forward;
  b.is_loading = TBrowserEntries::is_loading;
  b.reload = TBrowserEntries::reload;
  b.reload_ignore_cache = TBrowserEntries::reload_ignore_cache;
  b.stop_load = TBrowserEntries::stop_load;
  b.get_identifier = TBrowserEntries::get_identifier;
  b.is_popup = TBrowserEntries::is_popup;
  b.has_document = TBrowserEntries::has_document;
  b.get_main_frame = TBrowserEntries::get_main_frame;
  b.get_focused_frame = TBrowserEntries::get_focused_frame;
  b.get_frame_byident = TBrowserEntries::get_frame_byident;
  b.get_frame = TBrowserEntries::get_frame;
  b.get_frame_count = TBrowserEntries::get_frame_count;
  b.get_frame_identifiers = TBrowserEntries::get_frame_identifiers;
  b.get_frame_names = TBrowserEntries::get_frame_names;
  b.send_process_message = TBrowserEntries::send_process_message;

  InitFace(FHostFace, this);
  TCefBrowserHost& h = FHostFace.Struct;
  h.get_browser = TBrowserEntries::host_get_browser;
  h.parent_window_will_close = TBrowserEntries::parent_window_will_close;
  h.close_browser = TBrowserEntries::close_browser;
  h.set_focus = TBrowserEntries::set_focus;
  h.get_window_handle = TBrowserEntries::get_window_handle;
  h.get_opener_window_handle = TBrowserEntries::get_opener_window_handle;
  h.get_client = TBrowserEntries::get_client;
  h.get_dev_tools_url = TBrowserEntries::get_dev_tools_url;
  h.get_zoom_level = TBrowserEntries::get_zoom_level;
  h.set_zoom_level = TBrowserEntries::set_zoom_level;
}

#pragma once

// Browsers of the fake runtime with the entries the browser control and the shell use: an
// identifier, a main frame that records what it is asked to load and run, and a host whose
// window is a real widget and that keeps a zoom level. Every call lands in one log, in order.

#include <gtk/gtk.h>

#include <deque>
#include <string>
#include <vector>

#include "ceflib.h"
#include "fake_runtime.h"

class TFakeBrowsers {
 public:
  struct TBrowser {
    int32_t Id = 0;
    std::u16string MainFrameUrl;
    GtkWidget* Window = nullptr;
    TCefWindowInfo WindowInfo{};
    uint32_t SettingsSize = 0;
    TFakeBrowsers* Owner = nullptr;
    double ZoomLevel = 0;
  };

  // Installs itself as the fake runtime's browser factory.
  TFakeBrowsers() {
    FakeRuntime::SetBrowserFactory(
        [this](const TCefWindowInfo* info, const TCefBrowserSettings* s) {
          return MakeNone ? nullptr : NewBrowser(*info, *s);
        });
  }
  ~TFakeBrowsers() {
    FakeRuntime::SetBrowserFactory(nullptr);
    for (TBrowser& browser : FBrowsers)
      if (browser.Window) g_object_unref(browser.Window);
  }

  bool MakeNone = false;
  std::vector<std::string> Log;
  const std::deque<TBrowser>& Browsers() const { return FBrowsers; }

  // A frame that is not the main frame, answering url from get_url.
  TRef<ICefFrame> SubFrame(const std::u16string& url) {
    FBrowsers.push_back({0, url, nullptr, {}, 0, this});
    return TCefFrameRef::UnWrap(NewFrame(FBrowsers.back()));
  }

 private:
  template <class TStruct>
  struct TWithBrowser {
    TStruct Data;
    TBrowser* Browser;
  };

  template <class TStruct>
  static TBrowser& Of(TStruct* self) {
    return *reinterpret_cast<TWithBrowser<TStruct>*>(self)->Browser;
  }

  template <class TStruct>
  static TStruct* NewObject(TBrowser& browser, const std::string& kind) {
    auto* object = static_cast<TWithBrowser<TStruct>*>(
        FakeRuntime::NewObjectOfSize(sizeof(TWithBrowser<TStruct>), kind));
    object->Browser = &browser;
    return &object->Data;
  }

  static std::string Text(const TCefStringUtf16* text) {
    return Utf16ToUtf8(ustring(text->str, text->length));
  }

  static TCefFrame* NewFrame(TBrowser& browser) {
    auto* frame = NewObject<TCefFrame>(browser, "frame");
    frame->load_url = [](TCefFrame* self, TCefConstString* url) {
      Of(self).Owner->Log.push_back("load_url " + Text(url));
    };
    frame->execute_java_script = [](TCefFrame* self, TCefConstString* code, TCefConstString* url,
                                    int32_t line) {
      Of(self).Owner->Log.push_back("execute_java_script " + Text(code) + " | " + Text(url) +
                                    " | " + std::to_string(line));
    };
    frame->get_url = [](TCefFrame* self) {
      return FakeRuntime::NewUserFreeString(Of(self).MainFrameUrl);
    };
    return frame;
  }

  TCefBrowser* NewBrowser(const TCefWindowInfo& info, const TCefBrowserSettings& settings) {
    FBrowsers.push_back(
        {static_cast<int32_t>(FBrowsers.size()) + 100, u"", nullptr, info, settings.size, this});
    TBrowser& fake = FBrowsers.back();
    fake.Window = GTK_WIDGET(g_object_ref_sink(gtk_label_new("page")));
    gtk_container_add(GTK_CONTAINER(info.parent_window), fake.Window);
    auto* browser = NewObject<TCefBrowser>(fake, "browser");
    browser->get_identifier = [](TCefBrowser* self) { return Of(self).Id; };
    browser->get_main_frame = [](TCefBrowser* self) { return NewFrame(Of(self)); };
    browser->get_host = [](TCefBrowser* self) { return NewHost(Of(self)); };
    return browser;
  }

  static TCefBrowserHost* NewHost(TBrowser& browser) {
    auto* host = NewObject<TCefBrowserHost>(browser, "host");
    host->get_window_handle = [](TCefBrowserHost* self) { return Of(self).Window; };
    host->parent_window_will_close = [](TCefBrowserHost* self) {
      Of(self).Owner->Log.push_back("parent_window_will_close " + std::to_string(Of(self).Id));
    };
    host->get_zoom_level = [](TCefBrowserHost* self) { return Of(self).ZoomLevel; };
    host->set_zoom_level = [](TCefBrowserHost* self, double level) {
      Of(self).ZoomLevel = level;
      Of(self).Owner->Log.push_back("set_zoom_level " + std::to_string(level));
    };
    return host;
  }

  std::deque<TBrowser> FBrowsers;
};

// Frame objects and their entries; per-frame work goes to the web-process extension.

#include "RtFrame.h"

#include <memory>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtRequest.h"
#include "RtRequestHeaders.h"
#include "RtStrings.h"

namespace {

using TVisitorRef = std::shared_ptr<TClientRef<TCefStringVisitor>>;

// Delivers a frame's text to a string visitor once the extension answered.
TWebView::TTextReply VisitWith(TCefStringVisitor* visitor) {
  TVisitorRef held = std::make_shared<TClientRef<TCefStringVisitor>>(visitor);
  return [held](bool ok, const std::string& text) {
    TCefStringVisitor* target = held->get();
    if (!ok || !target || !target->visit) return;
    const std::u16string value = Utf8ToU16(text);
    const TCefStringUtf16 record = Borrow(value);
    target->visit(target, &record);
  };
}

void EditingCommand(TCefFrame* self, const char* command) {
  Guarded(command, [&] {
    TWebView* view = OwnerOf<TFrame>(self).Browser().View();
    if (view) webkit_web_view_execute_editing_command(view->View(), command);
  });
}

}  // namespace

struct TFrameEntries {
  static TFrame& Self(TCefFrame* self) { return OwnerOf<TFrame>(self); }
  static TWebView* View(TCefFrame* self) { return Self(self).Browser().View(); }

  static TCefBool CEF_CALLBACK is_valid(TCefFrame* self) {
    return Guarded(
        "is_valid", [&] { return TCefBool(Self(self).Browser().HasFrame(Self(self).Id())); },
        TCefBool(0));
  }
  static void CEF_CALLBACK undo(TCefFrame* self) {
    EditingCommand(self, WEBKIT_EDITING_COMMAND_UNDO);
  }
  static void CEF_CALLBACK redo(TCefFrame* self) {
    EditingCommand(self, WEBKIT_EDITING_COMMAND_REDO);
  }
  static void CEF_CALLBACK cut(TCefFrame* self) {
    EditingCommand(self, WEBKIT_EDITING_COMMAND_CUT);
  }
  static void CEF_CALLBACK copy(TCefFrame* self) {
    EditingCommand(self, WEBKIT_EDITING_COMMAND_COPY);
  }
  static void CEF_CALLBACK paste(TCefFrame* self) {
    EditingCommand(self, WEBKIT_EDITING_COMMAND_PASTE);
  }
  static void CEF_CALLBACK del(TCefFrame* self) { EditingCommand(self, "Delete"); }
  static void CEF_CALLBACK select_all(TCefFrame* self) {
    EditingCommand(self, WEBKIT_EDITING_COMMAND_SELECT_ALL);
  }
  static void CEF_CALLBACK view_source(TCefFrame* self) {
    Guarded("view_source", [&] { Self(self).Browser().ShowSource(Self(self).Id()); });
  }

  static void CEF_CALLBACK get_source(TCefFrame* self, TCefStringVisitor* visitor) {
    Guarded("get_source", [&] {
      auto reply = VisitWith(visitor);
      if (TWebView* view = View(self)) view->RequestSource(Self(self).Id(), std::move(reply));
    });
  }
  static void CEF_CALLBACK get_text(TCefFrame* self, TCefStringVisitor* visitor) {
    Guarded("get_text", [&] {
      auto reply = VisitWith(visitor);
      if (TWebView* view = View(self)) view->RequestText(Self(self).Id(), std::move(reply));
    });
  }
  // WebKit loads an address with headers of the client's choosing, but with no method or body
  // of its choosing, and a sub-frame with neither: such a request is refused, never sent as a
  // different one.
  static void CEF_CALLBACK load_request(TCefFrame* self, TCefRequest* request) {
    const TClientRef<TCefRequest> owned(request);
    Guarded("load_request", [&] {
      if (!owned) return;
      const TRequestSnapshot wanted = ReadRequest(owned.get());
      TFrame& frame = Self(self);
      const bool plain = wanted.Body.empty() && (wanted.Method.empty() || wanted.Method == "GET");
      if (plain && AreSendable(wanted.Headers) && frame.IsMain())
        frame.Browser().LoadRequest(wanted.Url, wanted.Headers);
      else if (plain && wanted.Headers.empty())
        LoadUrl(self, wanted.Url);
      else
        g_warning("load_request: WebKit cannot load this %s request of %s in this frame",
                  wanted.Method.c_str(), wanted.Url.c_str());
    });
  }
  static void CEF_CALLBACK load_url(TCefFrame* self, TCefConstString* url) {
    Guarded("load_url", [&] { LoadUrl(self, ToUtf8(url)); });
  }
  static void LoadUrl(TCefFrame* self, const std::string& url) {
    TFrame& frame = Self(self);
    if (frame.IsMain())
      frame.Browser().LoadUrl(url);
    else if (TWebView* view = View(self))
      view->LoadUrlInFrame(frame.Id(), url);
  }
  static void CEF_CALLBACK load_string(TCefFrame* self, TCefConstString* content,
                                       TCefConstString* url) {
    Guarded("load_string", [&] {
      TWebView* view = View(self);
      if (!view) return;
      if (Self(self).IsMain()) {
        view->ClientNavigates();
        webkit_web_view_load_html(view->View(), ToUtf8(content).c_str(), ToUtf8(url).c_str());
      } else
        view->LoadStringInFrame(Self(self).Id(), ToUtf8(content));
    });
  }
  static void CEF_CALLBACK execute_java_script(TCefFrame* self, TCefConstString* code,
                                               TCefConstString* script_url, int32_t start_line) {
    Guarded("execute_java_script", [&] {
      if (TWebView* view = View(self))
        view->ExecuteScript(Self(self).Id(), ToUtf8(code), ToUtf8(script_url), start_line);
    });
  }
  static TCefBool CEF_CALLBACK is_main(TCefFrame* self) { return Self(self).IsMain(); }
  // Focus is not tracked per frame: the main frame stands for the focused one.
  static TCefBool CEF_CALLBACK is_focused(TCefFrame* self) { return Self(self).IsMain(); }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_name(TCefFrame* self) {
    return Guarded(
        "get_name", [&] { return NewUserFree(Self(self).Browser().FrameName(Self(self).Id())); },
        TCefStringUserFreeUtf16(nullptr));
  }
  static int64_t CEF_CALLBACK get_identifier(TCefFrame* self) {
    TFrame& frame = Self(self);
    return int64_t(frame.IsMain() ? frame.Browser().MainFrameId() : frame.Id());
  }
  static TCefFrame* CEF_CALLBACK get_parent(TCefFrame* self) {
    return Guarded(
        "get_parent",
        [&]() -> TCefFrame* {
          TFrame& frame = Self(self);
          if (frame.IsMain()) return nullptr;
          return frame.Browser().NewFrame(frame.Browser().ParentOf(frame.Id()));
        },
        static_cast<TCefFrame*>(nullptr));
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_url(TCefFrame* self) {
    return Guarded(
        "get_url", [&] { return NewUserFree(Self(self).Browser().FrameUrl(Self(self).Id())); },
        TCefStringUserFreeUtf16(nullptr));
  }
  static TCefBrowser* CEF_CALLBACK get_browser(TCefFrame* self) {
    return Self(self).Browser().ShareBrowser();
  }
  // Script contexts live in the web process only: none here.
  static TCefv8Context* CEF_CALLBACK get_v8context(TCefFrame*) { return nullptr; }
  // The DOM lives in the web process only: the visitor is released unused.
  static void CEF_CALLBACK visit_dom(TCefFrame*, TCefDomVisitor* visitor) {
    ReleaseObject(visitor);
  }
};

TFrame::TFrame(TBrowser* browser, uint64_t frameId) : FBrowser(browser), FId(frameId) {
  FBrowser->AddRef();
  InitFace(FFace, this);
  TCefFrame& s = FFace.Struct;
  s.is_valid = TFrameEntries::is_valid;
  s.undo = TFrameEntries::undo;
  s.redo = TFrameEntries::redo;
  s.cut = TFrameEntries::cut;
  s.copy = TFrameEntries::copy;
  s.paste = TFrameEntries::paste;
  s.del = TFrameEntries::del;
  s.select_all = TFrameEntries::select_all;
  s.view_source = TFrameEntries::view_source;
  s.get_source = TFrameEntries::get_source;
  s.get_text = TFrameEntries::get_text;
  s.load_request = TFrameEntries::load_request;
  s.load_url = TFrameEntries::load_url;
  s.load_string = TFrameEntries::load_string;
  s.execute_java_script = TFrameEntries::execute_java_script;
  s.is_main = TFrameEntries::is_main;
  s.is_focused = TFrameEntries::is_focused;
  s.get_name = TFrameEntries::get_name;
  s.get_identifier = TFrameEntries::get_identifier;
  s.get_parent = TFrameEntries::get_parent;
  s.get_url = TFrameEntries::get_url;
  s.get_browser = TFrameEntries::get_browser;
  s.get_v8context = TFrameEntries::get_v8context;
  s.visit_dom = TFrameEntries::visit_dom;
}

TFrame::~TFrame() {
  FBrowser->Release();
}

TCefFrame* TFrame::New(TBrowser* browser, uint64_t frameId) {
  return &(new TFrame(browser, frameId))->FFace.Struct;
}

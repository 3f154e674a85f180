// Web-process side of the runtime: WebKit's UI-process API has no frames, so every per-frame
// fact (new document, load end, name, parent) and every per-frame action (script, source,
// text, navigation) goes through this extension and WebKit user messages.

#include <webkit2/webkit-web-extension.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

#include "PageRequestHooks.h"
#include "WebMessages.h"

namespace {

struct TFrameEntry {
  guint64 PageId = 0;
  WebKitFrame* Frame = nullptr;  // weak: cleared when WebKit drops the frame
};

struct TExtensionState {
  WebKitWebExtension* Extension = nullptr;
  // Our own script world: the page's scripts cannot see or disturb what we add there.
  WebKitScriptWorld* World = nullptr;
  std::unordered_map<guint64, TFrameEntry> Frames;
  std::unordered_map<guint64, guint64> MainFrameOfPage;
};

TExtensionState* State = nullptr;

// Identifies the frame a native report function belongs to.
struct TFrameKey {
  guint64 PageId;
  guint64 FrameId;
};

void SendToView(guint64 pageId, const char* name, GVariant* parameters) {
  WebKitWebPage* page = webkit_web_extension_get_page(State->Extension, pageId);
  if (!page) {
    g_variant_unref(g_variant_ref_sink(parameters));
    return;
  }
  webkit_web_page_send_message_to_view(page, webkit_user_message_new(name, parameters), nullptr,
                                       nullptr, nullptr);
}

WebKitFrame* FindFrame(guint64 pageId, guint64 frameId) {
  if (frameId == 0) {
    auto main = State->MainFrameOfPage.find(pageId);
    if (main == State->MainFrameOfPage.end()) return nullptr;
    frameId = main->second;
  }
  auto found = State->Frames.find(frameId);
  return found == State->Frames.end() ? nullptr : found->second.Frame;
}

void OnFrameFinalized(gpointer data, GObject*) {
  auto* key = static_cast<TFrameKey*>(data);
  try {
    State->Frames.erase(key->FrameId);
    SendToView(key->PageId, webmsg::kFrameGone,
               g_variant_new(webmsg::kFrameGoneType, key->FrameId));
  } catch (...) {
  }
  delete key;
}

void RememberFrame(guint64 pageId, WebKitFrame* frame) {
  const guint64 frameId = webkit_frame_get_id(frame);
  if (webkit_frame_is_main_frame(frame)) State->MainFrameOfPage[pageId] = frameId;
  auto [entry, added] = State->Frames.try_emplace(frameId, TFrameEntry{pageId, frame});
  if (added) g_object_weak_ref(G_OBJECT(frame), OnFrameFinalized, new TFrameKey{pageId, frameId});
}

// Called from our script world: (kind, window name, parent frame id as text, http status).
void OnFrameReport(const char* kind, const char* name, const char* parentId, int status,
                   gpointer data) {
  try {
    const auto* key = static_cast<const TFrameKey*>(data);
    WebKitFrame* frame = FindFrame(key->PageId, key->FrameId);
    if (!frame) return;
    const gboolean isMain = webkit_frame_is_main_frame(frame);
    const guint64 parent = parentId ? g_ascii_strtoull(parentId, nullptr, 10) : 0;
    const char* url = webkit_frame_get_uri(frame);
    const std::string kindText = kind ? kind : "";
    if (kindText == "document") {
      SendToView(key->PageId, webmsg::kFrameDocument,
                 g_variant_new(webmsg::kFrameDocumentType, key->FrameId, isMain, parent,
                               url ? url : "", name ? name : ""));
    } else if (kindText == "load") {
      SendToView(key->PageId, webmsg::kFrameLoaded,
                 g_variant_new(webmsg::kFrameLoadedType, key->FrameId, isMain, parent,
                               url ? url : "", name ? name : "", status));
    }
  } catch (...) {
  }
}

void FreeFrameKey(gpointer data) {
  delete static_cast<TFrameKey*>(data);
}

// Reports the new document at once and its load end later; the guard keeps a second
// window-object-cleared for the same document (popups) from hooking twice.
constexpr char kHookScript[] = R"JS((function (frameId) {
  if (window.__corvaneHooked) return;
  window.__corvaneHooked = true;
  window.__corvaneFrameId = frameId;
  var report = window.__corvaneReport;
  function parentId() {
    if (window.parent === window) return "0";
    try { return String(window.parent.__corvaneFrameId || "0"); } catch (e) { return "0"; }
  }
  function status() {
    try {
      var nav = performance.getEntriesByType("navigation")[0];
      return (nav && nav.responseStatus) || 0;
    } catch (e) { return 0; }
  }
  report("document", window.name, parentId(), 0);
  window.addEventListener("load", function () {
    report("load", window.name, parentId(), status());
  });
  window.addEventListener("pageshow", function (e) {
    if (e.persisted) report("load", window.name, parentId(), status());
  });
}))JS";

// What a user typed into the frame's text fields, text areas and select boxes, so that the
// page can get it back after its web process died. Never passwords, nor what the page asked
// browsers not to remember. Sent a moment after the typing stops; a submit saves the form,
// so there is nothing left to keep.
constexpr char kFieldsScript[] = R"JS((function () {
  if (window.__corvaneFieldsHooked) return;
  window.__corvaneFieldsHooked = true;
  var report = window.__corvaneFields;
  var textKinds = {text: 1, search: 1, email: 1, tel: 1, url: 1, number: 1};
  var withheld = {"off": 1, "one-time-code": 1, "current-password": 1, "new-password": 1,
                  "cc-number": 1, "cc-csc": 1};
  function keyOf(field) { return field.name || field.id; }
  function isKept(field) {
    var tag = field.localName;
    var kind = tag === "input" ? textKinds.hasOwnProperty(field.type)
             : tag === "select" ? !field.multiple : tag === "textarea";
    var hint = field.getAttribute("autocomplete") ||
               (field.form && field.form.getAttribute("autocomplete")) || "";
    return kind && !withheld.hasOwnProperty(hint.trim().toLowerCase());
  }
  function defaultOf(field) {
    if (field.localName !== "select") return field.defaultValue;
    var chosen = Array.prototype.find.call(field.options, function (o) {
      return o.defaultSelected;
    }) || field.options[0];
    return chosen ? chosen.value : "";
  }
  function isUntouched(field) {
    return field.value === (field.localName === "select" ? defaultOf(field) : "");
  }
  // Repeated names are told apart by their order in the document.
  function eachKeptField(visit) {
    var seen = new Map();
    document.querySelectorAll("input, textarea, select").forEach(function (field) {
      var key = keyOf(field);
      if (!key) return;
      var index = seen.get(key) || 0;
      seen.set(key, index + 1);
      if (isKept(field)) visit(field, key, index);
    });
  }
  function typed() {
    var fields = [];
    eachKeptField(function (field, key, index) {
      if (field.value !== "" && field.value !== defaultOf(field))
        fields.push([key, index, field.value]);
    });
    return fields;
  }
  var timer = 0;
  function reportSoon() {
    clearTimeout(timer);
    timer = setTimeout(function () { report(typed()); }, 300);
  }
  window.addEventListener("input", reportSoon, true);
  window.addEventListener("change", reportSoon, true);
  window.addEventListener("submit", function () {
    clearTimeout(timer);
    report([]);
  }, true);
  // The page's own scripts hear of restored text as if it had been typed.
  window.__corvaneRestoreFields = function (fields) {
    var wanted = new Map();
    fields.forEach(function (f) { wanted.set(f[0] + "\u0000" + f[1], f[2]); });
    eachKeptField(function (field, key, index) {
      var value = wanted.get(key + "\u0000" + index);
      if (value === undefined || !isUntouched(field)) return;
      var before = field.value;
      field.value = value;
      if (field.value !== value) {
        field.value = before;
        return;
      }
      field.dispatchEvent(new Event("input", {bubbles: true}));
      field.dispatchEvent(new Event("change", {bubbles: true}));
    });
  };
}))JS";

// Bounds one report; the runtime also bounds what it keeps, as it trusts no web process.
constexpr guint kMostFieldsPerFrame = 512;

std::string TextAt(JSCValue* array, guint index) {
  g_autoptr(JSCValue) item = jsc_value_object_get_property_at_index(array, index);
  if (!jsc_value_is_string(item)) return {};
  g_autofree char* text = jsc_value_to_string(item);
  return text ? text : "";
}

// [[name, occurrence, value], ...] from our script world; malformed entries are skipped.
GVariant* FieldsOf(JSCValue* fields) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(sus)"));
  g_autoptr(JSCValue) length =
      jsc_value_is_array(fields) ? jsc_value_object_get_property(fields, "length") : nullptr;
  const guint count = length ? std::min(guint(jsc_value_to_int32(length)), kMostFieldsPerFrame) : 0;
  for (guint i = 0; i < count; ++i) {
    g_autoptr(JSCValue) field = jsc_value_object_get_property_at_index(fields, i);
    if (!jsc_value_is_array(field)) continue;
    g_autoptr(JSCValue) occurrence = jsc_value_object_get_property_at_index(field, 1);
    const std::string key = TextAt(field, 0);
    if (key.empty() || !jsc_value_is_number(occurrence)) continue;
    g_variant_builder_add(&builder, "(sus)", key.c_str(), guint32(jsc_value_to_int32(occurrence)),
                          TextAt(field, 2).c_str());
  }
  return g_variant_builder_end(&builder);
}

void OnFieldsReport(JSCValue* fields, gpointer data) {
  try {
    const auto* key = static_cast<const TFrameKey*>(data);
    WebKitFrame* frame = FindFrame(key->PageId, key->FrameId);
    if (!frame) return;
    const char* url = webkit_frame_get_uri(frame);
    SendToView(key->PageId, webmsg::kFormFields,
               g_variant_new("(ts@a(sus))", key->FrameId, url ? url : "", FieldsOf(fields)));
  } catch (...) {
  }
}

void CallWithText(JSCContext* context, const char* functionSource, const char* argument) {
  g_autoptr(JSCValue) function = jsc_context_evaluate(context, functionSource, -1);
  if (jsc_value_is_function(function)) {
    g_autoptr(JSCValue) result =
        jsc_value_function_call(function, G_TYPE_STRING, argument ? argument : "", G_TYPE_NONE);
  }
  jsc_context_clear_exception(context);
}

void HookFrame(WebKitWebPage* page, WebKitFrame* frame) {
  const guint64 pageId = webkit_web_page_get_id(page);
  const guint64 frameId = webkit_frame_get_id(frame);
  RememberFrame(pageId, frame);
  g_autoptr(JSCContext) context = webkit_frame_get_js_context_for_script_world(frame, State->World);
  g_autoptr(JSCValue) report = jsc_value_new_function(
      context, "__corvaneReport", G_CALLBACK(OnFrameReport), new TFrameKey{pageId, frameId},
      FreeFrameKey, G_TYPE_NONE, 4, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_INT);
  jsc_context_set_value(context, "__corvaneReport", report);
  CallWithText(context, kHookScript, std::to_string(frameId).c_str());
  g_autoptr(JSCValue) fields = jsc_value_new_function(
      context, "__corvaneFields", G_CALLBACK(OnFieldsReport), new TFrameKey{pageId, frameId},
      FreeFrameKey, G_TYPE_NONE, 1, JSC_TYPE_VALUE);
  jsc_context_set_value(context, "__corvaneFields", fields);
  CallWithText(context, kFieldsScript, nullptr);
}

void OnWindowObjectCleared(WebKitScriptWorld*, WebKitWebPage* page, WebKitFrame* frame, gpointer) {
  try {
    HookFrame(page, frame);
  } catch (...) {
  }
}

// Runs code in our script world and answers its string result.
std::string EvaluateText(WebKitFrame* frame, const char* code) {
  g_autoptr(JSCContext) context = webkit_frame_get_js_context_for_script_world(frame, State->World);
  g_autoptr(JSCValue) value = jsc_context_evaluate(context, code, -1);
  std::string text;
  if (jsc_value_is_string(value)) {
    g_autofree char* raw = jsc_value_to_string(value);
    text = raw ? raw : "";
  }
  jsc_context_clear_exception(context);
  return text;
}

constexpr char kSourceScript[] =
    "(document.doctype ? new XMLSerializer().serializeToString(document.doctype) + '\\n' : '')"
    " + (document.documentElement ? document.documentElement.outerHTML : '')";
constexpr char kTextScript[] =
    "document.body ? document.body.innerText"
    " : (document.documentElement ? document.documentElement.innerText : '')";

// Script errors of executed code show up like the page's own: as console messages.
void ReportException(guint64 pageId, JSCContext* context) {
  JSCException* exception = jsc_context_get_exception(context);
  if (!exception) return;
  g_autofree char* text = jsc_exception_report(exception);
  const char* source = jsc_exception_get_source_uri(exception);
  SendToView(pageId, webmsg::kConsole,
             g_variant_new(webmsg::kConsoleType, text ? text : "", source ? source : "",
                           jsc_exception_get_line_number(exception)));
  jsc_context_clear_exception(context);
}

void ExecuteInFrame(guint64 pageId, WebKitFrame* frame, GVariant* parameters) {
  guint64 frameId = 0;
  const char* code = nullptr;
  const char* url = nullptr;
  gint32 line = 0;
  g_variant_get(parameters, "(t&s&si)", &frameId, &code, &url, &line);
  g_autoptr(JSCContext) context = webkit_frame_get_js_context(frame);
  g_autoptr(JSCValue) result =
      jsc_context_evaluate_with_source_uri(context, code, -1, url, line > 0 ? guint(line) : 1u);
  ReportException(pageId, context);
}

void CallInFrame(WebKitFrame* frame, const char* functionSource, GVariant* parameters) {
  guint64 frameId = 0;
  const char* argument = nullptr;
  g_variant_get(parameters, "(t&s)", &frameId, &argument);
  g_autoptr(JSCContext) context = webkit_frame_get_js_context_for_script_world(frame, State->World);
  CallWithText(context, functionSource, argument);
}

constexpr char kNavigateFunction[] = "(function (url) { window.location.assign(url); })";
constexpr char kWriteFunction[] =
    "(function (markup) { document.open(); document.write(markup); document.close(); })";

// Only into the frame whose address is still the one the text was typed at, so never into a
// document of another origin.
void RestoreFields(WebKitFrame* frame, GVariant* parameters) {
  guint64 frameId = 0;
  const char* url = nullptr;
  g_autoptr(GVariantIter) fields = nullptr;
  g_variant_get(parameters, "(t&sa(sus))", &frameId, &url, &fields);
  const char* current = webkit_frame_get_uri(frame);
  if (!current || std::strcmp(current, url) != 0) return;
  g_autoptr(JSCContext) context = webkit_frame_get_js_context_for_script_world(frame, State->World);
  g_autoptr(JSCValue) list = jsc_value_new_array(context, G_TYPE_NONE);
  const char* key = nullptr;
  const char* value = nullptr;
  guint32 occurrence = 0;
  for (guint index = 0; g_variant_iter_next(fields, "(&su&s)", &key, &occurrence, &value);
       ++index) {
    g_autoptr(JSCValue) field = jsc_value_new_array(context, G_TYPE_STRING, key, G_TYPE_UINT,
                                                    occurrence, G_TYPE_STRING, value, G_TYPE_NONE);
    jsc_value_object_set_property_at_index(list, index, field);
  }
  g_autoptr(JSCValue) restore = jsc_context_evaluate(context, "window.__corvaneRestoreFields", -1);
  if (jsc_value_is_function(restore)) {
    g_autoptr(JSCValue) result =
        jsc_value_function_call(restore, JSC_TYPE_VALUE, list, G_TYPE_NONE);
  }
  jsc_context_clear_exception(context);
}

GVariant* HandlePageMessage(guint64 pageId, const std::string& name, GVariant* parameters) {
  guint64 frameId = 0;
  g_variant_get_child(parameters, 0, "t", &frameId);
  WebKitFrame* frame = FindFrame(pageId, frameId);
  if (!frame) return nullptr;
  if (name == webmsg::kExecute) {
    ExecuteInFrame(pageId, frame, parameters);
  } else if (name == webmsg::kGetSource) {
    return g_variant_new(webmsg::kTextType, EvaluateText(frame, kSourceScript).c_str());
  } else if (name == webmsg::kGetText) {
    return g_variant_new(webmsg::kTextType, EvaluateText(frame, kTextScript).c_str());
  } else if (name == webmsg::kLoadUrl) {
    CallInFrame(frame, kNavigateFunction, parameters);
  } else if (name == webmsg::kLoadString) {
    CallInFrame(frame, kWriteFunction, parameters);
  } else if (name == webmsg::kRestoreFields) {
    RestoreFields(frame, parameters);
  }
  return nullptr;
}

bool HasExpectedType(const std::string& name, GVariant* parameters) {
  static const std::unordered_map<std::string, const char*> kTypes = {
      {webmsg::kExecute, webmsg::kExecuteType},
      {webmsg::kGetSource, webmsg::kFrameIdType},
      {webmsg::kGetText, webmsg::kFrameIdType},
      {webmsg::kLoadUrl, webmsg::kLoadUrlType},
      {webmsg::kLoadString, webmsg::kLoadStringType},
      {webmsg::kRestoreFields, webmsg::kRestoreFieldsType}};
  auto found = kTypes.find(name);
  return found != kTypes.end() && parameters &&
         g_variant_is_of_type(parameters, G_VARIANT_TYPE(found->second));
}

// The program's code does not run here, so a process message has no reader in this process:
// it goes back to the program as the receipt that the page's process got it.
void ConfirmProcessMessage(WebKitWebPage* page, GVariant* parameters) {
  webkit_web_page_send_message_to_view(page,
                                       webkit_user_message_new(webmsg::kProcessMessage, parameters),
                                       nullptr, nullptr, nullptr);
}

bool IsProcessMessage(const std::string& name, GVariant* parameters) {
  return name == webmsg::kProcessMessage && parameters &&
         g_variant_is_of_type(parameters, G_VARIANT_TYPE(webmsg::kProcessMessageType));
}

gboolean OnPageMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer) {
  try {
    const std::string name = webkit_user_message_get_name(message);
    GVariant* parameters = webkit_user_message_get_parameters(message);
    GVariant* answer = nullptr;
    if (IsProcessMessage(name, parameters))
      ConfirmProcessMessage(page, parameters);
    else if (HasExpectedType(name, parameters))
      answer = HandlePageMessage(webkit_web_page_get_id(page), name, parameters);
    webkit_user_message_send_reply(message, webkit_user_message_new(name.c_str(), answer));
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

void OnConsoleMessage(WebKitWebPage* page, WebKitConsoleMessage* message, gpointer) {
  try {
    const char* text = webkit_console_message_get_text(message);
    const char* source = webkit_console_message_get_source_id(message);
    SendToView(webkit_web_page_get_id(page), webmsg::kConsole,
               g_variant_new(webmsg::kConsoleType, text ? text : "", source ? source : "",
                             webkit_console_message_get_line(message)));
  } catch (...) {
  }
}

// Read from the clicked node's document: its address when it is a sub-frame's, and its
// selected text; the selection in a text field is not the document's selection.
constexpr char kMenuFactsFunction[] =
    "(function (node) { var d = node.ownerDocument || node, e = d.activeElement,"
    " w = d.defaultView;"
    " return [w && w.top !== w ? d.URL : '', e && typeof e.selectionStart === 'number'"
    " ? e.value.substring(e.selectionStart, e.selectionEnd) : String(d.getSelection())]; })";

// The UI process's menu knows neither the frame nor the selected text: they travel in the
// menu's user data.
gboolean OnContextMenu(WebKitWebPage*, WebKitContextMenu* menu, WebKitWebHitTestResult* hit,
                       gpointer) {
  try {
    g_autoptr(JSCValue) node = webkit_web_hit_test_result_get_js_node(hit, State->World);
    if (!node || !jsc_value_is_object(node)) return FALSE;
    JSCContext* context = jsc_value_get_context(node);
    g_autoptr(JSCValue) read = jsc_context_evaluate(context, kMenuFactsFunction, -1);
    g_autoptr(JSCValue) facts = jsc_value_function_call(read, JSC_TYPE_VALUE, node, G_TYPE_NONE);
    if (jsc_value_is_array(facts))
      webkit_context_menu_set_user_data(
          menu, g_variant_new(webmsg::kMenuFactsType, TextAt(facts, 0).c_str(),
                              TextAt(facts, 1).c_str()));
    jsc_context_clear_exception(context);
  } catch (...) {
  }
  return FALSE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  try {
    g_signal_connect(page, "user-message-received", G_CALLBACK(OnPageMessage), nullptr);
    g_signal_connect(page, "console-message-sent", G_CALLBACK(OnConsoleMessage), nullptr);
    g_signal_connect(page, "context-menu", G_CALLBACK(OnContextMenu), nullptr);
    HookPageRequests(page);
  } catch (...) {
  }
}

}  // namespace

// WebKit looks this entry up by name; no header of its declares it.
extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant*);

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant*) {
  try {
    State = new TExtensionState;  // lives as long as the web process
    State->Extension = extension;
    State->World = webkit_script_world_new_with_name("corvane");
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(OnWindowObjectCleared), nullptr);
    g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
  } catch (...) {
  }
}

#include "ceflib_browser.h"

#include "ceflib_calls.h"
#include "ceflib_client.h"
#include "ceflib_dom.h"
#include "ceflib_entries.h"
#include "ceflib_loader.h"
#include "ceflib_request.h"
#include "ceflib_v8.h"
#include "ceflib_values.h"

// ---- Browser --------------------------------------------------------------------------------

TRef<ICefBrowserHost> TCefBrowserRef::get_host() {
  return CallEntry<TRef<ICefBrowserHost>>(Data(), &TCefBrowser::get_host);
}

bool TCefBrowserRef::can_go_back() {
  return CallEntry<bool>(Data(), &TCefBrowser::can_go_back);
}

void TCefBrowserRef::go_back() {
  CallEntry<void>(Data(), &TCefBrowser::go_back);
}

bool TCefBrowserRef::can_go_forward() {
  return CallEntry<bool>(Data(), &TCefBrowser::can_go_forward);
}

void TCefBrowserRef::go_forward() {
  CallEntry<void>(Data(), &TCefBrowser::go_forward);
}

bool TCefBrowserRef::is_loading() {
  return CallEntry<bool>(Data(), &TCefBrowser::is_loading);
}

void TCefBrowserRef::reload() {
  CallEntry<void>(Data(), &TCefBrowser::reload);
}

void TCefBrowserRef::reload_ignore_cache() {
  CallEntry<void>(Data(), &TCefBrowser::reload_ignore_cache);
}

void TCefBrowserRef::stop_load() {
  CallEntry<void>(Data(), &TCefBrowser::stop_load);
}

int32_t TCefBrowserRef::get_identifier() {
  return CallEntry<int32_t>(Data(), &TCefBrowser::get_identifier);
}

bool TCefBrowserRef::is_popup() {
  return CallEntry<bool>(Data(), &TCefBrowser::is_popup);
}

bool TCefBrowserRef::has_document() {
  return CallEntry<bool>(Data(), &TCefBrowser::has_document);
}

TRef<ICefFrame> TCefBrowserRef::get_main_frame() {
  return CallEntry<TRef<ICefFrame>>(Data(), &TCefBrowser::get_main_frame);
}

TRef<ICefFrame> TCefBrowserRef::get_focused_frame() {
  return CallEntry<TRef<ICefFrame>>(Data(), &TCefBrowser::get_focused_frame);
}

TRef<ICefFrame> TCefBrowserRef::get_frame_byident(int64_t identifier) {
  return CallEntry<TRef<ICefFrame>>(Data(), &TCefBrowser::get_frame_byident, identifier);
}

TRef<ICefFrame> TCefBrowserRef::get_frame(const ustring& name) {
  return CallEntry<TRef<ICefFrame>>(Data(), &TCefBrowser::get_frame, name);
}

uint32_t TCefBrowserRef::get_frame_count() {
  return CallEntry<uint32_t>(Data(), &TCefBrowser::get_frame_count);
}

void TCefBrowserRef::get_frame_identifiers(uint32_t* count, int64_t* identifiers) {
  CallEntry<void>(Data(), &TCefBrowser::get_frame_identifiers, count, identifiers);
}

void TCefBrowserRef::get_frame_names(std::vector<ustring>& names) {
  ReadRuntimeStringList(names, [this](TCefStringList list) {
    CallEntry<void>(Data(), &TCefBrowser::get_frame_names, list);
  });
}

bool TCefBrowserRef::send_process_message(TCefProcessId targetProcess,
                                          const TRef<ICefProcessMessage>& message) {
  return CallEntry<bool>(Data(), &TCefBrowser::send_process_message, targetProcess, message);
}

// ---- Host -----------------------------------------------------------------------------------

TRef<ICefBrowser> TCefBrowserHostRef::get_browser() {
  return CallEntry<TRef<ICefBrowser>>(Data(), &TCefBrowserHost::get_browser);
}

void TCefBrowserHostRef::parent_window_will_close() {
  CallEntry<void>(Data(), &TCefBrowserHost::parent_window_will_close);
}

void TCefBrowserHostRef::close_browser() {
  CallEntry<void>(Data(), &TCefBrowserHost::close_browser);
}

void TCefBrowserHostRef::set_focus(bool enable) {
  CallEntry<void>(Data(), &TCefBrowserHost::set_focus, enable);
}

cef_window_handle_t TCefBrowserHostRef::get_window_handle() {
  return CallEntry<cef_window_handle_t>(Data(), &TCefBrowserHost::get_window_handle);
}

cef_window_handle_t TCefBrowserHostRef::get_opener_window_handle() {
  return CallEntry<cef_window_handle_t>(Data(), &TCefBrowserHost::get_opener_window_handle);
}

ustring TCefBrowserHostRef::get_dev_tools_url(bool httpScheme) {
  return CallEntry<ustring>(Data(), &TCefBrowserHost::get_dev_tools_url, httpScheme);
}

double TCefBrowserHostRef::get_zoom_level() {
  return CallEntry<double>(Data(), &TCefBrowserHost::get_zoom_level);
}

void TCefBrowserHostRef::set_zoom_level(double zoomLevel) {
  CallEntry<void>(Data(), &TCefBrowserHost::set_zoom_level, zoomLevel);
}

// ---- Frame ----------------------------------------------------------------------------------

bool TCefFrameRef::is_valid() {
  return CallEntry<bool>(Data(), &TCefFrame::is_valid);
}

void TCefFrameRef::undo() {
  CallEntry<void>(Data(), &TCefFrame::undo);
}

void TCefFrameRef::redo() {
  CallEntry<void>(Data(), &TCefFrame::redo);
}

void TCefFrameRef::cut() {
  CallEntry<void>(Data(), &TCefFrame::cut);
}

void TCefFrameRef::copy() {
  CallEntry<void>(Data(), &TCefFrame::copy);
}

void TCefFrameRef::paste() {
  CallEntry<void>(Data(), &TCefFrame::paste);
}

void TCefFrameRef::del() {
  CallEntry<void>(Data(), &TCefFrame::del);
}

void TCefFrameRef::select_all() {
  CallEntry<void>(Data(), &TCefFrame::select_all);
}

void TCefFrameRef::view_source() {
  CallEntry<void>(Data(), &TCefFrame::view_source);
}

void TCefFrameRef::get_source(const TRef<ICefStringVisitor>& visitor) {
  CallEntry<void>(Data(), &TCefFrame::get_source, visitor);
}

void TCefFrameRef::get_source(const TCefStringVisitorProc& proc) {
  get_source(TRef<ICefStringVisitor>(new TCefFastStringVisitor(proc)));
}

void TCefFrameRef::get_text(const TRef<ICefStringVisitor>& visitor) {
  CallEntry<void>(Data(), &TCefFrame::get_text, visitor);
}

void TCefFrameRef::get_text(const TCefStringVisitorProc& proc) {
  get_text(TRef<ICefStringVisitor>(new TCefFastStringVisitor(proc)));
}

void TCefFrameRef::load_request(const TRef<ICefRequest>& request) {
  CallEntry<void>(Data(), &TCefFrame::load_request, request);
}

void TCefFrameRef::load_url(const ustring& url) {
  CallEntry<void>(Data(), &TCefFrame::load_url, url);
}

void TCefFrameRef::load_string(const ustring& str, const ustring& url) {
  CallEntry<void>(Data(), &TCefFrame::load_string, str, url);
}

void TCefFrameRef::execute_java_script(const ustring& code, const ustring& scriptUrl,
                                       int32_t startLine) {
  CallEntry<void>(Data(), &TCefFrame::execute_java_script, code, scriptUrl, startLine);
}

bool TCefFrameRef::is_main() {
  return CallEntry<bool>(Data(), &TCefFrame::is_main);
}

bool TCefFrameRef::is_focused() {
  return CallEntry<bool>(Data(), &TCefFrame::is_focused);
}

ustring TCefFrameRef::get_name() {
  return CallEntry<ustring>(Data(), &TCefFrame::get_name);
}

int64_t TCefFrameRef::get_identifier() {
  return CallEntry<int64_t>(Data(), &TCefFrame::get_identifier);
}

TRef<ICefFrame> TCefFrameRef::get_parent() {
  return CallEntry<TRef<ICefFrame>>(Data(), &TCefFrame::get_parent);
}

ustring TCefFrameRef::get_url() {
  return CallEntry<ustring>(Data(), &TCefFrame::get_url);
}

TRef<ICefBrowser> TCefFrameRef::get_browser() {
  return CallEntry<TRef<ICefBrowser>>(Data(), &TCefFrame::get_browser);
}

TRef<ICefv8Context> TCefFrameRef::get_v8context() {
  return CallEntry<TRef<ICefv8Context>>(Data(), &TCefFrame::get_v8context);
}

void TCefFrameRef::visit_dom(const TRef<ICefDomVisitor>& visitor) {
  CallEntry<void>(Data(), &TCefFrame::visit_dom, visitor);
}

void TCefFrameRef::visit_dom(const TCefDomVisitorProc& proc) {
  visit_dom(TRef<ICefDomVisitor>(new TCefFastDomVisitor(proc)));
}

// ---- String visitor and browser creation -----------------------------------------------------

TCefStringVisitorOwn::TCefStringVisitorOwn() : TCefBaseOwn(sizeof(TCefStringVisitor)) {
  SetEntry<&ICefStringVisitor::visit>(this, Data<TCefStringVisitor>()->visit);
}

TRef<ICefBrowser> CreateRuntimeBrowser(const TCefWindowInfo& windowInfo,
                                       const TRef<ICefClient>& client, const ustring& url,
                                       const TCefBrowserSettings& settings) {
  EnsureRuntimeLoaded();
  const TCefStringUtf16 view = BorrowRuntimeString(url);
  return FromRuntime(RuntimeApi.cef_browser_host_create_browser_sync(
      &windowInfo, RuntimePointerOf<TCefClient>(client), &view, &settings));
}

#pragma once

#include <vector>

#include "ceflib_bridge.h"
#include "ceflib_types.h"

// A browser of the runtime: one page in a child window.
class ICefBrowser : public virtual ICefBase {
 public:
  virtual TRef<ICefBrowserHost> get_host() = 0;
  virtual bool can_go_back() = 0;
  virtual void go_back() = 0;
  virtual bool can_go_forward() = 0;
  virtual void go_forward() = 0;
  virtual bool is_loading() = 0;
  virtual void reload() = 0;
  virtual void reload_ignore_cache() = 0;
  virtual void stop_load() = 0;
  virtual int32_t get_identifier() = 0;
  virtual bool is_popup() = 0;
  virtual bool has_document() = 0;
  virtual TRef<ICefFrame> get_main_frame() = 0;
  virtual TRef<ICefFrame> get_focused_frame() = 0;
  virtual TRef<ICefFrame> get_frame_byident(int64_t identifier) = 0;
  virtual TRef<ICefFrame> get_frame(const ustring& name) = 0;
  virtual uint32_t get_frame_count() = 0;
  // count holds the capacity of identifiers going in and the number written coming out.
  virtual void get_frame_identifiers(uint32_t* count, int64_t* identifiers) = 0;
  // Appends to names, keeping what it holds.
  virtual void get_frame_names(std::vector<ustring>& names) = 0;
  virtual bool send_process_message(TCefProcessId targetProcess,
                                    const TRef<ICefProcessMessage>& message) = 0;
};

// The window-side view of a browser.
class ICefBrowserHost : public virtual ICefBase {
 public:
  virtual TRef<ICefBrowser> get_browser() = 0;
  virtual void parent_window_will_close() = 0;
  virtual void close_browser() = 0;
  virtual void set_focus(bool enable) = 0;
  virtual cef_window_handle_t get_window_handle() = 0;
  virtual cef_window_handle_t get_opener_window_handle() = 0;
  virtual ustring get_dev_tools_url(bool httpScheme) = 0;
  virtual double get_zoom_level() = 0;
  virtual void set_zoom_level(double zoomLevel) = 0;
};

// One document of a page.
class ICefFrame : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual void undo() = 0;
  virtual void redo() = 0;
  virtual void cut() = 0;
  virtual void copy() = 0;
  virtual void paste() = 0;
  virtual void del() = 0;
  virtual void select_all() = 0;
  virtual void view_source() = 0;
  virtual void get_source(const TRef<ICefStringVisitor>& visitor) = 0;
  virtual void get_source(const TCefStringVisitorProc& proc) = 0;
  virtual void get_text(const TRef<ICefStringVisitor>& visitor) = 0;
  virtual void get_text(const TCefStringVisitorProc& proc) = 0;
  virtual void load_request(const TRef<ICefRequest>& request) = 0;
  virtual void load_url(const ustring& url) = 0;
  virtual void load_string(const ustring& str, const ustring& url) = 0;
  virtual void execute_java_script(const ustring& code, const ustring& scriptUrl,
                                   int32_t startLine) = 0;
  virtual bool is_main() = 0;
  virtual bool is_focused() = 0;
  virtual ustring get_name() = 0;
  virtual int64_t get_identifier() = 0;
  virtual TRef<ICefFrame> get_parent() = 0;
  virtual ustring get_url() = 0;
  virtual TRef<ICefBrowser> get_browser() = 0;
  virtual TRef<ICefv8Context> get_v8context() = 0;
  virtual void visit_dom(const TRef<ICefDomVisitor>& visitor) = 0;
  virtual void visit_dom(const TCefDomVisitorProc& proc) = 0;
};

class TCefBrowserRef : public TCefBaseRefOf<TCefBrowserRef, ICefBrowser, TCefBrowser> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  TRef<ICefBrowserHost> get_host() override;
  bool can_go_back() override;
  void go_back() override;
  bool can_go_forward() override;
  void go_forward() override;
  bool is_loading() override;
  void reload() override;
  void reload_ignore_cache() override;
  void stop_load() override;
  int32_t get_identifier() override;
  bool is_popup() override;
  bool has_document() override;
  TRef<ICefFrame> get_main_frame() override;
  TRef<ICefFrame> get_focused_frame() override;
  TRef<ICefFrame> get_frame_byident(int64_t identifier) override;
  TRef<ICefFrame> get_frame(const ustring& name) override;
  uint32_t get_frame_count() override;
  void get_frame_identifiers(uint32_t* count, int64_t* identifiers) override;
  void get_frame_names(std::vector<ustring>& names) override;
  bool send_process_message(TCefProcessId targetProcess,
                            const TRef<ICefProcessMessage>& message) override;
};

class TCefBrowserHostRef
    : public TCefBaseRefOf<TCefBrowserHostRef, ICefBrowserHost, TCefBrowserHost> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  TRef<ICefBrowser> get_browser() override;
  void parent_window_will_close() override;
  void close_browser() override;
  void set_focus(bool enable) override;
  cef_window_handle_t get_window_handle() override;
  cef_window_handle_t get_opener_window_handle() override;
  ustring get_dev_tools_url(bool httpScheme) override;
  double get_zoom_level() override;
  void set_zoom_level(double zoomLevel) override;
};

class TCefFrameRef : public TCefBaseRefOf<TCefFrameRef, ICefFrame, TCefFrame> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  bool is_valid() override;
  void undo() override;
  void redo() override;
  void cut() override;
  void copy() override;
  void paste() override;
  void del() override;
  void select_all() override;
  void view_source() override;
  void get_source(const TRef<ICefStringVisitor>& visitor) override;
  void get_source(const TCefStringVisitorProc& proc) override;
  void get_text(const TRef<ICefStringVisitor>& visitor) override;
  void get_text(const TCefStringVisitorProc& proc) override;
  void load_request(const TRef<ICefRequest>& request) override;
  void load_url(const ustring& url) override;
  void load_string(const ustring& str, const ustring& url) override;
  void execute_java_script(const ustring& code, const ustring& scriptUrl,
                           int32_t startLine) override;
  bool is_main() override;
  bool is_focused() override;
  ustring get_name() override;
  int64_t get_identifier() override;
  TRef<ICefFrame> get_parent() override;
  ustring get_url() override;
  TRef<ICefBrowser> get_browser() override;
  TRef<ICefv8Context> get_v8context() override;
  void visit_dom(const TRef<ICefDomVisitor>& visitor) override;
  void visit_dom(const TCefDomVisitorProc& proc) override;
};

CEF_WRAPS(TCefBrowserRef, ICefBrowser, TCefBrowser);
CEF_WRAPS(TCefBrowserHostRef, ICefBrowserHost, TCefBrowserHost);
CEF_WRAPS(TCefFrameRef, ICefFrame, TCefFrame);

// Receives a frame's source or text.
class ICefStringVisitor : public virtual ICefBase {
 public:
  virtual void visit(const ustring& str) = 0;
};

class TCefStringVisitorOwn : public TCefBaseOwn, public ICefStringVisitor {
 public:
  TCefStringVisitorOwn();
  void visit(const ustring&) override {}
};

class TCefFastStringVisitor : public TCefStringVisitorOwn {
 public:
  explicit TCefFastStringVisitor(TCefStringVisitorProc visit) : FVisit(std::move(visit)) {}
  void visit(const ustring& str) override { FVisit(str); }

 private:
  TCefStringVisitorProc FVisit;
};

// Creates a runtime browser in the window that windowInfo describes, loading and starting the
// runtime first if needed. The runtime receives its own reference to client. Null when the
// runtime makes no browser.
TRef<ICefBrowser> CreateRuntimeBrowser(const TCefWindowInfo& windowInfo,
                                       const TRef<ICefClient>& client, const ustring& url,
                                       const TCefBrowserSettings& settings);

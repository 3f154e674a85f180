// The process, loop, task, browser and cookie-manager entry points.

#include <gtk/gtk.h>

#include "RtBrowser.h"
#include "RtCookieManager.h"
#include "RtCookieStore.h"
#include "RtGuard.h"
#include "RtMainLoop.h"
#include "RtObject.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtTasks.h"

namespace {

// Our own revision number, for hosts that log it.
constexpr int32_t kBuildRevision = 1;

// Held from initialize to shutdown.
TClientRef<TCefApp>* Application = nullptr;
GMainLoop* RunningLoop = nullptr;

TCefBrowser* CreateBrowser(const TCefWindowInfo* windowInfo, TCefClient* client,
                           TCefConstString* url, const TCefBrowserSettings* settings) {
  TBrowser* browser =
      TBrowser::Create(windowInfo, TClientRef<TCefClient>(client), ToUtf8(url), settings);
  return browser ? browser->HandOverBrowser() : nullptr;
}

}  // namespace

extern "C" {

// WebKit starts its own helper processes: this is always the browser process.
int32_t cef_execute_process(const RuntimeMainArgs*, TCefApp* application) {
  TClientRef<TCefApp> unused(application);
  return -1;
}

int32_t cef_initialize(const RuntimeMainArgs*, const RuntimeSettings* settings,
                       TCefApp* application) {
  return Guarded(
      "cef_initialize",
      [&]() -> int32_t {
        TClientRef<TCefApp> app(application);
        if (TRuntime::Instance() || !gtk_init_check(nullptr, nullptr)) return 0;
        const std::string cachePath = settings ? ToUtf8(&settings->cache_path) : std::string();
        if (!TRuntime::Start(cachePath)) return 0;
        RememberMainThread();
        Application = new TClientRef<TCefApp>(std::move(app));
        return 1;
      },
      int32_t(0));
}

void cef_shutdown(void) {
  Guarded("cef_shutdown", [] {
    DropPendingTasks();
    TRuntime::Stop();
    delete std::exchange(Application, nullptr);
  });
}

void cef_do_message_loop_work(void) {
  Guarded("cef_do_message_loop_work", [] { PumpMainContext(); });
}

void cef_run_message_loop(void) {
  Guarded("cef_run_message_loop", [] {
    if (RunningLoop) return;
    RunningLoop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(RunningLoop);
    g_main_loop_unref(std::exchange(RunningLoop, nullptr));
  });
}

void cef_quit_message_loop(void) {
  if (RunningLoop) g_main_loop_quit(RunningLoop);
}

TCefBool cef_currently_on(TCefThreadId thread_id) {
  return thread_id == TID_UI && IsMainThread();
}

// Only the main thread takes tasks; tasks for other threads are released unrun.
TCefBool cef_post_task(TCefThreadId thread_id, TCefTask* task) {
  return cef_post_delayed_task(thread_id, task, 0);
}

TCefBool cef_post_delayed_task(TCefThreadId thread_id, TCefTask* task, int64_t delay_ms) {
  return Guarded(
      "cef_post_delayed_task",
      [&]() -> TCefBool {
        if (thread_id == TID_UI && TRuntime::Instance()) return PostMainThreadTask(task, delay_ms);
        ReleaseObject(task);
        return 0;
      },
      TCefBool(0));
}

TCefBool cef_browser_host_create_browser(const TCefWindowInfo* windowInfo, TCefClient* client,
                                         TCefConstString* url,
                                         const TCefBrowserSettings* settings) {
  return Guarded(
      "cef_browser_host_create_browser",
      [&]() -> TCefBool {
        TCefBrowser* browser = CreateBrowser(windowInfo, client, url, settings);
        if (!browser) return 0;
        browser->base.release(&browser->base);
        return 1;
      },
      TCefBool(0));
}

TCefBrowser* cef_browser_host_create_browser_sync(const TCefWindowInfo* windowInfo,
                                                  TCefClient* client, TCefConstString* url,
                                                  const TCefBrowserSettings* settings) {
  return Guarded(
      "cef_browser_host_create_browser_sync",
      [&] { return CreateBrowser(windowInfo, client, url, settings); },
      static_cast<TCefBrowser*>(nullptr));
}

int32_t cef_build_revision(void) {
  return kBuildRevision;
}

TCefCookieManager* cef_cookie_manager_get_global_manager(void) {
  return Guarded(
      "cef_cookie_manager_get_global_manager",
      []() -> TCefCookieManager* {
        TRuntime* runtime = TRuntime::Instance();
        return runtime ? NewCookieManager(runtime->Web()->Cookies()) : nullptr;
      },
      static_cast<TCefCookieManager*>(nullptr));
}

TCefCookieManager* cef_cookie_manager_create_manager(TCefConstString* path) {
  return Guarded(
      "cef_cookie_manager_create_manager",
      [&]() -> TCefCookieManager* {
        TRuntime* runtime = TRuntime::Instance();
        if (!runtime) return nullptr;
        // Without a folder the jar lives in memory only. Browsers the client gives this
        // manager get views of its own context: WebKit binds a view to its context's cookies.
        const std::string folder = ToUtf8(path);
        g_autoptr(WebKitWebsiteDataManager) data =
            folder.empty()
                ? webkit_website_data_manager_new_ephemeral()
                : webkit_website_data_manager_new("base-data-directory", folder.c_str(),
                                                  "base-cache-directory", folder.c_str(), nullptr);
        std::shared_ptr<TWebContext> context = runtime->NewWebContext(data);
        if (!folder.empty() && !context->Cookies().lock()->SetStorageFolder(folder)) return nullptr;
        return NewCookieManager(context->Cookies(), context);
      },
      static_cast<TCefCookieManager*>(nullptr));
}

}  // extern "C"

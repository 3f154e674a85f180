#pragma once

#include "ceflib_bridge.h"
#include "ceflib_types.h"

// Every notification the runtime gives a browser's program, declared once. The binding makes
// each handler's classes from these lists, the browser control its forwarders, dispatchers,
// event types and event fields; adding an event is one row in its handler's list.
//
// One row per event:
//   X(entry, Dispatch, On, Result, (params), (args), routine, access)
// entry     the entry of the runtime's structure and the handler object's operation;
// Dispatch  the control's method that raises the event;
// On        the control's event, of type T##On (OnLoadEnd is a TOnLoadEnd);
// Result    the runtime's answer: void, bool or an object. The default answer is Result()
//           (nothing, false, no object); the event receives it preset in its last argument;
// params    the parameters of the operation, the method and the event; a non-const reference
//           is in-out: what the event leaves there goes back to the runtime;
// args      the names of params, for passing them on;
// routine   kMadeRoutine when SetEntry makes the entry routine from the operation, else the
//           routine written by hand in ceflib_handlers_*.cpp because the runtime's record
//           needs more care than copying;
// access    public for an event the shell may assign; protected for one nothing assigns: its
//           field is named F##On and the runtime always gets the default.

#define CORVANE_UNPAREN(...) __VA_ARGS__

using TBrowserArg = const TRef<ICefBrowser>&;
using TFrameArg = const TRef<ICefFrame>&;
using TTextArg = const ustring&;

// Not on a handler: the runtime asks the client itself (ceflib_client.h).
// clang-format off
#define CORVANE_CLIENT_EVENTS(X)                                                                  \
  X(on_process_message_received, DispatchProcessMessageReceived, OnProcessMessageReceived, bool,  \
    (TBrowserArg browser, TCefProcessId sourceProcess, const TRef<ICefProcessMessage>& message),  \
    (browser, sourceProcess, message), kMadeRoutine, public)

#define CORVANE_LOAD_EVENTS(X)                                                                    \
  X(on_load_start, DispatchLoadStart, OnLoadStart, void,                                          \
    (TBrowserArg browser, TFrameArg frame), (browser, frame), kMadeRoutine, public)               \
  X(on_load_end, DispatchLoadEnd, OnLoadEnd, void,                                                \
    (TBrowserArg browser, TFrameArg frame, int32_t httpStatusCode),                               \
    (browser, frame, httpStatusCode), kMadeRoutine, public)                                       \
  X(on_load_error, DispatchLoadError, OnLoadError, void,                                          \
    (TBrowserArg browser, TFrameArg frame, int32_t errorCode, TTextArg errorText,                 \
     TTextArg failedUrl),                                                                         \
    (browser, frame, errorCode, errorText, failedUrl), kMadeRoutine, public)                      \
  X(on_render_process_terminated, DispatchRenderProcessTerminated, OnRenderProcessTerminated,     \
    void, (TBrowserArg browser, TCefTerminationStatus status), (browser, status), kMadeRoutine,   \
    public)                                                                                       \
  X(on_plugin_crashed, DispatchPluginCrashed, OnPluginCrashed, void,                              \
    (TBrowserArg browser, TTextArg pluginPath), (browser, pluginPath), kMadeRoutine, public)

#define CORVANE_FOCUS_EVENTS(X)                                                                   \
  X(on_take_focus, DispatchTakeFocus, OnTakeFocus, void,                                          \
    (TBrowserArg browser, bool next), (browser, next), kMadeRoutine, public)                      \
  X(on_set_focus, DispatchSetFocus, OnSetFocus, bool,                                             \
    (TBrowserArg browser, TCefFocusSource source), (browser, source), kMadeRoutine, public)       \
  X(on_got_focus, DispatchGotFocus, OnGotFocus, void,                                             \
    (TBrowserArg browser), (browser), kMadeRoutine, public)

#define CORVANE_CONTEXT_MENU_EVENTS(X)                                                            \
  X(on_before_context_menu, DispatchBeforeContextMenu, OnBeforeContextMenu, void,                 \
    (TBrowserArg browser, TFrameArg frame, const TRef<ICefContextMenuParams>& params,             \
     const TRef<ICefMenuModel>& model),                                                           \
    (browser, frame, params, model), kMadeRoutine, public)                                        \
  X(on_context_menu_command, DispatchContextMenuCommand, OnContextMenuCommand, bool,              \
    (TBrowserArg browser, TFrameArg frame, const TRef<ICefContextMenuParams>& params,             \
     int32_t commandId, TCefEventFlagSet eventFlags),                                             \
    (browser, frame, params, commandId, eventFlags), kMadeRoutine, public)                        \
  X(on_context_menu_dismissed, DispatchContextMenuDismissed, OnContextMenuDismissed, void,        \
    (TBrowserArg browser, TFrameArg frame), (browser, frame), kMadeRoutine, public)

#define CORVANE_KEYBOARD_EVENTS(X)                                                                \
  X(on_pre_key_event, DispatchPreKeyEvent, OnPreKeyEvent, bool,                                   \
    (TBrowserArg browser, const TCefKeyEvent* event, cef_event_handle_t osEvent,                  \
     bool& isKeyboardShortcut),                                                                   \
    (browser, event, osEvent, isKeyboardShortcut), kMadeRoutine, public)                          \
  X(on_key_event, DispatchKeyEvent, OnKeyEvent, bool,                                             \
    (TBrowserArg browser, const TCefKeyEvent* event, cef_event_handle_t osEvent),                 \
    (browser, event, osEvent), kMadeRoutine, public)

// The tooltip's record is the runtime's own and is replaced whole, also when the event raises.
#define CORVANE_DISPLAY_EVENTS(X)                                                                 \
  X(on_loading_state_change, DispatchLoadingStateChange, OnLoadingStateChange, void,              \
    (TBrowserArg browser, bool isLoading, bool canGoBack, bool canGoForward),                     \
    (browser, isLoading, canGoBack, canGoForward), kMadeRoutine, public)                          \
  X(on_address_change, DispatchAddressChange, OnAddressChange, void,                              \
    (TBrowserArg browser, TFrameArg frame, TTextArg url), (browser, frame, url), kMadeRoutine,    \
    public)                                                                                       \
  X(on_title_change, DispatchTitleChange, OnTitleChange, void,                                    \
    (TBrowserArg browser, TTextArg title), (browser, title), kMadeRoutine, public)                \
  X(on_tooltip, DispatchTooltip, OnTooltip, bool,                                                 \
    (TBrowserArg browser, ustring& text), (browser, text), DisplayOnTooltip, public)              \
  X(on_status_message, DispatchStatusMessage, OnStatusMessage, void,                              \
    (TBrowserArg browser, TTextArg value), (browser, value), kMadeRoutine, public)                \
  X(on_console_message, DispatchConsoleMessage, OnConsoleMessage, bool,                           \
    (TBrowserArg browser, TTextArg message, TTextArg source, int32_t line),                       \
    (browser, message, source, line), kMadeRoutine, public)

#define CORVANE_DOWNLOAD_EVENTS(X)                                                                \
  X(on_before_download, DispatchBeforeDownload, OnBeforeDownload, void,                           \
    (TBrowserArg browser, const TRef<ICefDownloadItem>& downloadItem, TTextArg suggestedName,     \
     const TRef<ICefBeforeDownloadCallback>& callback),                                           \
    (browser, downloadItem, suggestedName, callback), kMadeRoutine, public)                       \
  X(on_download_updated, DispatchDownloadUpdated, OnDownloadUpdated, void,                        \
    (TBrowserArg browser, const TRef<ICefDownloadItem>& downloadItem,                             \
     const TRef<ICefDownloadItemCallback>& callback),                                             \
    (browser, downloadItem, callback), kMadeRoutine, public)

#define CORVANE_GEOLOCATION_EVENTS(X)                                                             \
  X(on_request_geolocation_permission, DispatchRequestGeolocationPermission,                      \
    OnRequestGeolocationPermission, void,                                                         \
    (TBrowserArg browser, TTextArg requestingUrl, int32_t requestId,                              \
     const TRef<ICefGeolocationCallback>& callback),                                              \
    (browser, requestingUrl, requestId, callback), kMadeRoutine, public)                          \
  X(on_cancel_geolocation_permission, DispatchCancelGeolocationPermission,                        \
    OnCancelGeolocationPermission, void,                                                          \
    (TBrowserArg browser, TTextArg requestingUrl, int32_t requestId),                             \
    (browser, requestingUrl, requestId), kMadeRoutine, public)

#define CORVANE_JS_DIALOG_EVENTS(X)                                                               \
  X(on_jsdialog, DispatchJsdialog, OnJsdialog, bool,                                              \
    (TBrowserArg browser, TTextArg originUrl, TTextArg acceptLang, TCefJsDialogType dialogType,   \
     TTextArg messageText, TTextArg defaultPromptText,                                            \
     const TRef<ICefJsDialogCallback>& callback, bool& suppressMessage),                          \
    (browser, originUrl, acceptLang, dialogType, messageText, defaultPromptText, callback,        \
     suppressMessage), kMadeRoutine, public)                                                      \
  X(on_before_unload_dialog, DispatchBeforeUnloadDialog, OnBeforeUnloadDialog, bool,              \
    (TBrowserArg browser, TTextArg messageText, bool isReload,                                    \
     const TRef<ICefJsDialogCallback>& callback),                                                 \
    (browser, messageText, isReload, callback), kMadeRoutine, public)                             \
  X(on_reset_dialog_state, DispatchResetDialogState, OnResetDialogState, void,                    \
    (TBrowserArg browser), (browser), kMadeRoutine, public)

// The popup's url and client are in-out; the client goes back only where the runtime can use it.
#define CORVANE_LIFE_SPAN_EVENTS(X)                                                               \
  X(on_before_popup, DispatchBeforePopup, OnBeforePopup, bool,                                    \
    (TBrowserArg parentBrowser, const TCefPopupFeatures* popupFeatures,                           \
     TCefWindowInfo* windowInfo, ustring& url, TRef<ICefClient>& client,                          \
     TCefBrowserSettings* settings),                                                              \
    (parentBrowser, popupFeatures, windowInfo, url, client, settings), LifeSpanOnBeforePopup,     \
    public)                                                                                       \
  X(on_after_created, DispatchAfterCreated, OnAfterCreated, void,                                 \
    (TBrowserArg browser), (browser), kMadeRoutine, public)                                       \
  X(on_before_close, DispatchBeforeClose, OnBeforeClose, void,                                    \
    (TBrowserArg browser), (browser), kMadeRoutine, public)                                       \
  X(run_modal, DispatchRunModal, OnRunModal, bool,                                                \
    (TBrowserArg browser), (browser), kMadeRoutine, public)                                       \
  X(do_close, DispatchClose, OnClose, bool,                                                       \
    (TBrowserArg browser), (browser), kMadeRoutine, public)

// A redirect's newUrl left empty means no change. Quota requests and plugin loads are left to
// the runtime: nothing assigns their events.
#define CORVANE_REQUEST_EVENTS(X)                                                                 \
  X(on_before_resource_load, DispatchBeforeResourceLoad, OnBeforeResourceLoad, bool,              \
    (TBrowserArg browser, TFrameArg frame, const TRef<ICefRequest>& request),                     \
    (browser, frame, request), kMadeRoutine, public)                                              \
  X(get_resource_handler, DispatchGetResourceHandler, OnGetResourceHandler,                       \
    TRef<ICefResourceHandler>,                                                                    \
    (TBrowserArg browser, TFrameArg frame, const TRef<ICefRequest>& request),                     \
    (browser, frame, request), kMadeRoutine, public)                                              \
  X(on_resource_redirect, DispatchResourceRedirect, OnResourceRedirect, void,                     \
    (TBrowserArg browser, TFrameArg frame, TTextArg oldUrl, ustring& newUrl),                     \
    (browser, frame, oldUrl, newUrl), RequestOnResourceRedirect, public)                          \
  X(get_auth_credentials, DispatchGetAuthCredentials, OnGetAuthCredentials, bool,                 \
    (TBrowserArg browser, TFrameArg frame, bool isProxy, TTextArg host, int32_t port,             \
     TTextArg realm, TTextArg scheme, const TRef<ICefAuthCallback>& callback),                    \
    (browser, frame, isProxy, host, port, realm, scheme, callback), kMadeRoutine, public)         \
  X(on_quota_request, DispatchQuotaRequest, OnQuotaRequest, bool,                                 \
    (TBrowserArg browser, TTextArg originUrl, int64_t newSize,                                    \
     const TRef<ICefQuotaCallback>& callback),                                                    \
    (browser, originUrl, newSize, callback), kMadeRoutine, protected)                             \
  X(get_cookie_manager, DispatchGetCookieManager, OnGetCookieManager, TRef<ICefCookieManager>,    \
    (TBrowserArg browser, TTextArg mainUrl), (browser, mainUrl), kMadeRoutine, public)            \
  X(on_protocol_execution, DispatchProtocolExecution, OnProtocolExecution, void,                  \
    (TBrowserArg browser, TTextArg url, bool& allowOsExecution), (browser, url, allowOsExecution),\
    kMadeRoutine, public)                                                                         \
  X(on_before_plugin_load, DispatchBeforePluginLoad, OnBeforePluginLoad, bool,                    \
    (TBrowserArg browser, TTextArg url, TTextArg policyUrl, const TRef<ICefWebPluginInfo>& info), \
    (browser, url, policyUrl, info), kMadeRoutine, protected)

// One row per handler: H(Kind, getter, EVENTS). The runtime's structure is TCef##Kind, the
// binding's classes ICef##Kind and TCef##Kind##Own, the control's TCustom##Kind (for
// LoadHandler: TCefLoadHandler, ICefLoadHandler, TCefLoadHandlerOwn, TCustomLoadHandler); the
// client hands it out through getter, and EVENTS lists what it is told.
#define CORVANE_BROWSER_HANDLERS(H)                                                               \
  H(LifeSpanHandler, get_life_span_handler, CORVANE_LIFE_SPAN_EVENTS)                             \
  H(LoadHandler, get_load_handler, CORVANE_LOAD_EVENTS)                                           \
  H(DisplayHandler, get_display_handler, CORVANE_DISPLAY_EVENTS)                                  \
  H(FocusHandler, get_focus_handler, CORVANE_FOCUS_EVENTS)                                        \
  H(KeyboardHandler, get_keyboard_handler, CORVANE_KEYBOARD_EVENTS)

#define CORVANE_INTERACTION_HANDLERS(H)                                                           \
  H(RequestHandler, get_request_handler, CORVANE_REQUEST_EVENTS)                                  \
  H(JsDialogHandler, get_jsdialog_handler, CORVANE_JS_DIALOG_EVENTS)                              \
  H(ContextMenuHandler, get_context_menu_handler, CORVANE_CONTEXT_MENU_EVENTS)                    \
  H(DownloadHandler, get_download_handler, CORVANE_DOWNLOAD_EVENTS)                               \
  H(GeolocationHandler, get_geolocation_handler, CORVANE_GEOLOCATION_EVENTS)

#define CORVANE_RUNTIME_HANDLERS(H) CORVANE_BROWSER_HANDLERS(H) CORVANE_INTERACTION_HANDLERS(H)

// All forty events, the client's and every handler's.
#define CORVANE_RUNTIME_EVENTS(X)                                                                 \
  CORVANE_CLIENT_EVENTS(X)                                                                        \
  CORVANE_LIFE_SPAN_EVENTS(X)                                                                     \
  CORVANE_LOAD_EVENTS(X)                                                                          \
  CORVANE_DISPLAY_EVENTS(X)                                                                       \
  CORVANE_FOCUS_EVENTS(X)                                                                         \
  CORVANE_KEYBOARD_EVENTS(X)                                                                      \
  CORVANE_REQUEST_EVENTS(X)                                                                       \
  CORVANE_JS_DIALOG_EVENTS(X)                                                                     \
  CORVANE_CONTEXT_MENU_EVENTS(X)                                                                  \
  CORVANE_DOWNLOAD_EVENTS(X)                                                                      \
  CORVANE_GEOLOCATION_EVENTS(X)
// clang-format on

// ---- The binding's handler classes, expanded in ceflib_handlers_*.{h,cpp} -----------------

// The operation's default does nothing with the arguments: the answer is Result() and out and
// in-out arguments stay as received.
template <class... TArgs>
void IgnoreArguments(const TArgs&...) {}

#define CORVANE_DECLARE_OPERATION(entry, Dispatch, On, Result, params, args, routine, access) \
  virtual Result entry params = 0;

#define CORVANE_DEFAULT_OPERATION(entry, Dispatch, On, Result, params, args, routine, access) \
  Result entry params override {                                                              \
    IgnoreArguments args;                                                                     \
    return Result();                                                                          \
  }

// A handler as the runtime sees it, and the object that exposes it with the default answers.
#define CORVANE_DECLARE_RUNTIME_HANDLER(Kind, getter, EVENTS)     \
  class ICef##Kind : public virtual ICefBase {                    \
   public:                                                        \
    EVENTS(CORVANE_DECLARE_OPERATION)                             \
  };                                                              \
  class TCef##Kind##Own : public TCefBaseOwn, public ICef##Kind { \
   public:                                                        \
    TCef##Kind##Own();                                            \
    EVENTS(CORVANE_DEFAULT_OPERATION)                             \
  };

// Sets each entry of the structure to its routine (WireEntry, ceflib_entries.h).
#define CORVANE_WIRE_ENTRY(entry, Dispatch, On, Result, params, args, routine, access) \
  WireEntry<&TInterface::entry>(this, handler->entry, routine);

#define CORVANE_DEFINE_RUNTIME_HANDLER(Kind, getter, EVENTS)             \
  TCef##Kind##Own::TCef##Kind##Own() : TCefBaseOwn(sizeof(TCef##Kind)) { \
    using TInterface = ICef##Kind;                                       \
    TCef##Kind* handler = Data<TCef##Kind>();                            \
    EVENTS(CORVANE_WIRE_ENTRY)                                           \
  }

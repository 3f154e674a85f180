#pragma once

#include <functional>

#include "Classes.h"
#include "cefgui_events.h"

// The browser control's event types. Sender is the control; an event with a result receives
// it last, preset to the default answer.
using TBrowserArg = const TRef<ICefBrowser>&;
using TFrameArg = const TRef<ICefFrame>&;
using TTextArg = const ustring&;

using TOnProcessMessageReceived =
    std::function<void(TObject* Sender, TBrowserArg browser, TCefProcessId sourceProcess,
                       const TRef<ICefProcessMessage>& message, bool& Result)>;
using TOnLoadStart = std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame)>;
using TOnLoadEnd = std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame,
                                      int32_t httpStatusCode)>;
using TOnLoadError = std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame,
                                        int32_t errorCode, TTextArg errorText, TTextArg failedUrl)>;
using TOnRenderProcessTerminated =
    std::function<void(TObject* Sender, TBrowserArg browser, TCefTerminationStatus status)>;
using TOnPluginCrashed =
    std::function<void(TObject* Sender, TBrowserArg browser, TTextArg pluginPath)>;
using TOnTakeFocus = std::function<void(TObject* Sender, TBrowserArg browser, bool next)>;
using TOnSetFocus =
    std::function<void(TObject* Sender, TBrowserArg browser, TCefFocusSource source, bool& Result)>;
using TOnGotFocus = std::function<void(TObject* Sender, TBrowserArg browser)>;
using TOnBeforeContextMenu = std::function<void(
    TObject* Sender, TBrowserArg browser, TFrameArg frame,
    const TRef<ICefContextMenuParams>& params, const TRef<ICefMenuModel>& model)>;
using TOnContextMenuCommand =
    std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame,
                       const TRef<ICefContextMenuParams>& params, int32_t commandId,
                       TCefEventFlagSet eventFlags, bool& Result)>;
using TOnContextMenuDismissed =
    std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame)>;
using TOnPreKeyEvent =
    std::function<void(TObject* Sender, TBrowserArg browser, const TCefKeyEvent* event,
                       cef_event_handle_t osEvent, bool& isKeyboardShortcut, bool& Result)>;
using TOnKeyEvent =
    std::function<void(TObject* Sender, TBrowserArg browser, const TCefKeyEvent* event,
                       cef_event_handle_t osEvent, bool& Result)>;
// The mouse wheel turned over the page, before the page sees it; Handled keeps it from the
// page. Notches away from the user count positive; modifiers are EVENTFLAG_ values.
using TOnMouseWheel =
    std::function<void(TObject* Sender, int32_t modifiers, int notches, bool& Handled)>;
using TOnLoadingStateChange = std::function<void(
    TObject* Sender, TBrowserArg browser, bool isLoading, bool canGoBack, bool canGoForward)>;
using TOnAddressChange =
    std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame, TTextArg url)>;
using TOnTitleChange = std::function<void(TObject* Sender, TBrowserArg browser, TTextArg title)>;
using TOnTooltip =
    std::function<void(TObject* Sender, TBrowserArg browser, ustring& text, bool& Result)>;
using TOnStatusMessage = std::function<void(TObject* Sender, TBrowserArg browser, TTextArg value)>;
using TOnConsoleMessage = std::function<void(TObject* Sender, TBrowserArg browser, TTextArg message,
                                             TTextArg source, int32_t line, bool& Result)>;
using TOnRequestGeolocationPermission =
    std::function<void(TObject* Sender, TBrowserArg browser, TTextArg requestingUrl,
                       int32_t requestId, const TRef<ICefGeolocationCallback>& callback)>;
using TOnCancelGeolocationPermission = std::function<void(
    TObject* Sender, TBrowserArg browser, TTextArg requestingUrl, int32_t requestId)>;
using TOnBeforeDownload = std::function<void(
    TObject* Sender, TBrowserArg browser, const TRef<ICefDownloadItem>& downloadItem,
    TTextArg suggestedName, const TRef<ICefBeforeDownloadCallback>& callback)>;
using TOnDownloadUpdated = std::function<void(TObject* Sender, TBrowserArg browser,
                                              const TRef<ICefDownloadItem>& downloadItem,
                                              const TRef<ICefDownloadItemCallback>& callback)>;
using TOnJsdialog = std::function<void(
    TObject* Sender, TBrowserArg browser, TTextArg originUrl, TTextArg acceptLang,
    TCefJsDialogType dialogType, TTextArg messageText, TTextArg defaultPromptText,
    const TRef<ICefJsDialogCallback>& callback, bool& suppressMessage, bool& Result)>;
using TOnBeforeUnloadDialog =
    std::function<void(TObject* Sender, TBrowserArg browser, TTextArg messageText, bool isReload,
                       const TRef<ICefJsDialogCallback>& callback, bool& Result)>;
using TOnResetDialogState = std::function<void(TObject* Sender, TBrowserArg browser)>;
using TOnBeforePopup = std::function<void(
    TObject* Sender, TBrowserArg parentBrowser, const TCefPopupFeatures* popupFeatures,
    TCefWindowInfo* windowInfo, ustring& url, TRef<ICefClient>& client,
    TCefBrowserSettings* settings, bool& Result)>;
using TOnAfterCreated = std::function<void(TObject* Sender, TBrowserArg browser)>;
using TOnBeforeClose = std::function<void(TObject* Sender, TBrowserArg browser)>;
using TOnRunModal = std::function<void(TObject* Sender, TBrowserArg browser, bool& Result)>;
using TOnClose = std::function<void(TObject* Sender, TBrowserArg browser, bool& Result)>;
using TOnBeforeResourceLoad =
    std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame,
                       const TRef<ICefRequest>& request, bool& Result)>;
using TOnGetResourceHandler =
    std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame,
                       const TRef<ICefRequest>& request, TRef<ICefResourceHandler>& Result)>;
using TOnResourceRedirect = std::function<void(TObject* Sender, TBrowserArg browser,
                                               TFrameArg frame, TTextArg oldUrl, ustring& newUrl)>;
using TOnGetAuthCredentials =
    std::function<void(TObject* Sender, TBrowserArg browser, TFrameArg frame, bool isProxy,
                       TTextArg host, int32_t port, TTextArg realm, TTextArg scheme,
                       const TRef<ICefAuthCallback>& callback, bool& Result)>;
using TOnQuotaRequest =
    std::function<void(TObject* Sender, TBrowserArg browser, TTextArg originUrl, int64_t newSize,
                       const TRef<ICefQuotaCallback>& callback, bool& Result)>;
using TOnGetCookieManager = std::function<void(TObject* Sender, TBrowserArg browser,
                                               TTextArg mainUrl, TRef<ICefCookieManager>& Result)>;
using TOnProtocolExecution =
    std::function<void(TObject* Sender, TBrowserArg browser, TTextArg url, bool& allowOsExecution)>;
using TOnBeforePluginLoad =
    std::function<void(TObject* Sender, TBrowserArg browser, TTextArg url, TTextArg policyUrl,
                       const TRef<ICefWebPluginInfo>& info, bool& Result)>;

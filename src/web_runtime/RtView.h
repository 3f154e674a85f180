#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "RtAuth.h"
#include "RtDialogs.h"
#include "RtFind.h"
#include "RtFormRestore.h"
#include "RtRecovery.h"
#include "RtResourceHooks.h"
#include "RtTooltip.h"
#include "cef_capi.h"

// What the web-process extension tells about one frame.
struct TFrameFacts {
  uint64_t Id = 0;
  bool IsMain = false;
  uint64_t ParentId = 0;  // 0: top frame, or a parent the frame may not see (cross-origin)
  std::string Url;
  std::string Name;
};

// Everything a browser needs to hear from its WebKit view, in WebKit-neutral terms where
// that is cheap. Implemented by the browser, which turns it into client callbacks.
class IViewEvents {
 public:
  virtual void OnLoadCommitted() = 0;
  virtual void OnLoadFinished(int httpStatus) = 0;
  // Only failures the user should hear of: not cancelled loads, not loads become downloads.
  virtual void OnLoadFailed(const GError& error, const std::string& url) = 0;
  virtual void OnLoadingStateChanged() = 0;
  // The address changed without a new document (fragment, history API).
  virtual void OnSameDocumentNavigation(const std::string& url) = 0;
  virtual void OnTitleChanged(const std::string& title) = 0;
  virtual void OnStatusText(const std::string& text) = 0;
  virtual void OnFrameDocument(const TFrameFacts& frame) = 0;
  virtual void OnFrameLoaded(const TFrameFacts& frame, int httpStatus) = 0;
  virtual void OnFrameGone(uint64_t frameId) = 0;
  virtual void OnConsoleMessage(const std::string& text, const std::string& source, int line) = 0;
  // First pass happens before the page sees the key, the second only for keys it left alone.
  // Answer true to keep the key from the page (first pass) or from GTK (second pass).
  virtual bool OnKey(GdkEventKey* event, bool pageLeftItAlone) = 0;
  virtual void OnFocusIn() = 0;
  virtual void OnFocusLeftByTab(bool forward) = 0;
  // The client's turn; a dialog it neither takes nor answers gets the runtime's own.
  virtual bool OnScriptDialog(WebKitScriptDialog* dialog) = 0;
  virtual bool OnPermissionRequest(WebKitPermissionRequest* request) = 0;
  // The client's turn; a login it does not take gets the runtime's own dialog.
  virtual bool OnAuthentication(WebKitAuthenticationRequest* request) = 0;
  // A new main document: what the old one asked for and kept is over.
  virtual void OnDocumentReplaced() = 0;
  // Answers the view of the new popup, or nullptr to refuse it.
  virtual GtkWidget* OnCreatePopup(WebKitNavigationAction* action) = 0;
  // The page navigated to an address of a scheme WebKit cannot show; the page stays.
  virtual void OnExternalUri(const std::string& uri) = 0;
  // The page's menu, already shaped to the runtime's default; answer true to show none.
  virtual bool OnContextMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit,
                             GdkEvent* event) = 0;
  virtual void OnContextMenuDismissed() = 0;
  // The page's tooltip is about to show; text is in and out. Answer true to show none.
  virtual bool OnTooltip(std::string& text) = 0;
  virtual void OnCloseRequested() = 0;
  virtual void OnProcessTerminated(WebKitWebProcessTerminationReason reason) = 0;
  virtual void OnViewDestroyed() = 0;

 protected:
  ~IViewEvents() = default;
};

// One WebKitWebView and its signal handlers; also the UI end of the extension's messages.
class TWebView {
 public:
  using TTextReply = std::function<void(bool ok, const std::string& text)>;

  TWebView(WebKitWebView* view, IViewEvents& events);
  ~TWebView();
  TWebView(const TWebView&) = delete;
  TWebView& operator=(const TWebView&) = delete;

  WebKitWebView* View() const { return FView; }
  GtkWidget* Widget() const { return GTK_WIDGET(FView); }
  TPageFinder& Finder() { return FFinder; }

  // Frame id 0 stands for the main frame.
  void ExecuteScript(uint64_t frameId, const std::string& code, const std::string& url,
                     int startLine);
  void RequestSource(uint64_t frameId, TTextReply reply);
  void RequestText(uint64_t frameId, TTextReply reply);
  // Before every load the client asks of the main frame.
  void ClientNavigates();
  void LoadUrlInFrame(uint64_t frameId, const std::string& url);
  void LoadStringInFrame(uint64_t frameId, const std::string& markup);
  // Answers whether the message (of this runtime) went to the page's web process.
  bool SendProcessMessage(TCefProcessMessage* message);

  // Asks the page's leave-page question; the close signal follows when the page agrees.
  void TryClose();

  int MainResourceStatus() const;
  // Last HTTP status seen for a URL loaded by this view, 0 when unknown.
  int StatusOf(const std::string& url) const;

 private:
  void ConnectSignals();
  void SendToPage(const char* name, GVariant* parameters, TTextReply reply);
  void HandleExtensionMessage(WebKitUserMessage* message);
  void FailPendingReplies();
  // Runs what tells the client; answers whether this view outlived it, as a client may end its
  // browser from inside.
  template <class TTell>
  bool Outlives(TTell tell) {
    const std::weak_ptr<const bool> living = FLiving;
    tell();
    return !living.expired();
  }
  void LoadStarted();
  void LoadCommitted();
  void LoadFinished();
  void LoadFailed(const std::string& url, const GError& error);
  bool DecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  bool IsUnaskedFileLoad(WebKitNavigationPolicyDecision* decision) const;
  void ShowScriptDialog(WebKitScriptDialog* dialog);
  void CertificateRefused(const std::string& url, GTlsCertificateFlags errors);
  void RememberResource(WebKitWebResource* resource);

  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer self);
  static void OnIsLoading(GObject*, GParamSpec*, gpointer self);
  static void OnTitle(GObject*, GParamSpec*, gpointer self);
  static void OnUri(GObject*, GParamSpec*, gpointer self);
  static void OnMouseTarget(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self);
  static gboolean OnUserMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self);
  static gboolean OnKeyEvent(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer self);
  static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer self);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
  static gboolean OnAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request,
                                 gpointer self);
  static gboolean OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                              GTlsCertificateFlags errors, gpointer self);
  static gboolean OnPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static void OnClose(WebKitWebView*, gpointer self);
  static gboolean OnPrint(WebKitWebView*, WebKitPrintOperation* operation, gpointer self);
  static void OnTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer self);
  static void OnResourceStarted(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                                gpointer self);
  static void OnResourceResponse(GObject* resource, GParamSpec*, gpointer self);
  static void OnDestroy(GtkWidget*, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  static void OnContextMenuDismissed(WebKitWebView*, gpointer self);

  struct TPendingReply {
    TTextReply Reply;
    void Answer(bool ok, const std::string& text) {
      if (TTextReply reply = std::exchange(Reply, nullptr)) reply(ok, text);
    }
  };
  static void OnPageReply(GObject* source, GAsyncResult* result, gpointer pending);

  WebKitWebView* FView;
  IViewEvents& FEvents;
  const std::shared_ptr<const bool> FLiving = std::make_shared<const bool>(true);
  TPageRecovery FRecovery;
  TPageFinder FFinder;
  TFormRestore FFormRestore;
  TPageDialogs FPageDialogs;
  TLoginDialog FLogin;
  TPageTooltip FTooltip;
  TResourceHooks FResourceHooks;
  // The main frame's load as far as WebKit told: our own page's loads are not the client's.
  bool FOwnPageLoad = false;
  bool FLoadCommitted = false;
  bool FLoadFailed = false;
  uint64_t FClientNavigations = 0;
  // From a web-process death until the next document: nobody would answer a message.
  bool FPageGone = false;
  std::vector<std::weak_ptr<TPendingReply>> FPendingReplies;
  std::unordered_map<std::string, int> FStatusByUrl;
  // Identifies the key event WebKit may hand back because the page did not use it.
  struct TKeyStamp {
    GdkEventType Type = GDK_NOTHING;
    guint32 Time = 0;
    guint KeyVal = 0;
    guint16 KeyCode = 0;
    bool operator==(const TKeyStamp&) const = default;
  };
  static TKeyStamp StampOf(const GdkEventKey* event);
  TKeyStamp FKeyInFlight;
  bool FTabPressed = false;
  bool FTabForward = true;
};

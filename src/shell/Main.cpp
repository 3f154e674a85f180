#include "Main.h"

#include <gtk/gtk.h>

#include "DataFolder.h"
#include "ExceptionLog.h"
#include "ServiceNavigation.h"
#include "StderrReport.h"
#include "ceflib.h"

TMainForm* MainForm = nullptr;

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

TFormDescription TMainForm::Description() const {
  return TFormDescriptionOf<TMainForm>()
      .Properties([](TMainForm& form) {
        form.SetName("MainForm");
        form.SetCaption("Corvane Online Invoicing for Small Business");
        form.SetIconName("corvane");  // the icon the desktop entry names
        form.SetClientSize(680, 640);
        form.SetColor(clWhite);
        form.SetFont({"Tahoma", -11});
        form.SetBorderStyle(bsSizeable);
        form.SetPosition(poDefaultPosOnly);
        form.OnCreate = MethodEvent(&form, &TMainForm::FormCreate);
        form.OnDestroy = MethodEvent(&form, &TMainForm::FormDestroy);
        form.OnShow = MethodEvent(&form, &TMainForm::FormShow);
        form.OnClose = MethodEvent(&form, &TMainForm::FormClose);
        form.OnCloseQuery = MethodEvent(&form, &TMainForm::FormCloseQuery);
      })
      .Component("Chromium", &TMainForm::Chromium,
                 [](TMainForm& form, TChromium& chromium) {
                   chromium.SetAlign(alClient);
                   chromium.SetBounds(0, 0, 680, 640);
                   chromium.SetDefaultUrl(u"about:blank");
                   chromium.OnLoadEnd = MethodEvent(&form, &TMainForm::ChromiumLoadEnd);
                   chromium.OnAddressChange = MethodEvent(&form, &TMainForm::ChromiumAddressChange);
                   chromium.OnClose = MethodEvent(&form, &TMainForm::ChromiumClose);
                   TChromiumOptions& options = chromium.Options();
                   options.AcceleratedCompositingDisabled = false;
                   options.AcceleratedPaintingEnabled = false;
                   options.AcceleratedFiltersEnabled = false;
                   options.AcceleratedPluginsDisabled = false;
                 })
      .Component("aAppEvents", &TMainForm::aAppEvents,
                 [](TMainForm& form, TApplicationEvents& events) {
                   events.OnException = MethodEvent(&form, &TMainForm::aAppEventsException);
                 })
      .Component("aLogFile", &TMainForm::aLogFile,
                 [](TMainForm&, TJvLogFile& logFile) { logFile.SetSizeLimit(1048576); })
      .Component("aPCInfo", &TMainForm::aPCInfo)
      .Component("aXMLStorage", &TMainForm::aXMLStorage,
                 [](TMainForm&, TJvAppXMLFileStorage& storage) {
                   TJvAppXMLStorageOptions& options = storage.StorageOptions();
                   options.SetBooleanStringTrueValues("TRUE, YES, Y");
                   options.SetBooleanStringFalseValues("FALSE, NO, N");
                   options.SetWhiteSpaceReplacement("_");
                   options.SetInvalidCharReplacement("_");
                   storage.SetLocation(flCustom);
                   storage.SetRootNodeName("Configuration");
                 })
      // After the XML storage, so it is destroyed first and the storage writes what it saved.
      .Component("aFormStorage", &TMainForm::aFormStorage,
                 [](TMainForm& form, TJvFormStorage& formStorage) {
                   formStorage.SetAppStorage(form.aXMLStorage);
                   formStorage.SetAppStoragePath("%FORM_NAME%\\");
                 })
      .Component("DownloadBar", &TMainForm::DownloadBar,
                 [](TMainForm& form, TDownloadBar& bar) {
                   bar.SetAlign(alBottom);
                   bar.SetVisible(false);
                   bar.SetBrowserControl(form.Chromium);
                 })
      .Component("FindBar", &TMainForm::FindBar,
                 [](TMainForm& form, TFindBar& bar) {
                   bar.SetAlign(alTop);
                   bar.SetVisible(false);
                   bar.SetBrowserControl(form.Chromium);
                 })
      .Component("PermissionBar", &TMainForm::PermissionBar,
                 [](TMainForm& form, TPermissionBar& bar) {
                   bar.SetAlign(alTop);
                   bar.SetVisible(false);
                   bar.SetFormStorage(form.aFormStorage);
                 })
      .Component("aPageShortcuts", &TMainForm::aPageShortcuts,
                 [](TMainForm& form, TPageShortcuts& shortcuts) {
                   shortcuts.SetBrowserControl(form.Chromium);
                   shortcuts.SetFindBar(form.FindBar);
                   shortcuts.SetFormStorage(form.aFormStorage);
                 })
      .Component("LeavingLinks", &TMainForm::LeavingLinks, [](TMainForm& form, TLeavingLinks& bar) {
        bar.SetAlign(alTop);
        bar.SetVisible(false);
        bar.SetBrowserControl(form.Chromium);
      });
}

void TMainForm::aAppEventsException(TObject*, const std::exception&) {}

namespace {

// The runtime creates the folder when it first stores cookies.
void KeepCookiesIn(const std::string& folder) {
  if (TRef<ICefCookieManager> cookies = TCefCookieManagerRef::Global())
    cookies->set_storage_path(Utf8ToUtf16(folder));
}

TRef<ICefFrame> MainFrameOf(const TChromium& chromium) {
  return chromium.Browser() ? chromium.Browser()->get_main_frame() : nullptr;
}

// Shows the control again however the work in between ends. Hiding takes the keyboard focus
// from it, so a control that had the focus gets it back: the page keeps its keys.
class THiddenWhile {
 public:
  THiddenWhile(TForm& form, TWinControl& control)
      : FControl(control), FHadFocus(form.ActiveControl() == &control) {
    FControl.SetVisible(false);
  }
  ~THiddenWhile() {
    FControl.SetVisible(true);
    if (FHadFocus) FControl.SetFocus();
  }
  THiddenWhile(const THiddenWhile&) = delete;
  THiddenWhile& operator=(const THiddenWhile&) = delete;

 private:
  TWinControl& FControl;
  const bool FHadFocus;
};

}  // namespace

// A configuration file that cannot be read still raises from here, but only after the cookie
// storage path is set: otherwise the login of this run would not be kept.
void TMainForm::FormCreate(TObject*) {
  SetExceptionLogFile(aLogFile);
  RegisterExceptNotifier(ExceptionLogNotifier, npNormal);
  std::exception_ptr preparationError;
  try {
    PrepareDataFolder(DataFolderPath(*aPCInfo), *aLogFile, *aXMLStorage);
  } catch (...) {
    preparationError = std::current_exception();
  }
  KeepCookiesIn(DataFolderPath(*aPCInfo) + "/cache");
  if (preparationError) std::rethrow_exception(preparationError);
}

void TMainForm::FormDestroy(TObject*) {
  UnregisterExceptNotifier(ExceptionLogNotifier);
  SetExceptionLogFile(nullptr);
}

namespace {

// The first run shows the sign-up page, whatever page the start asked for.
ustring FirstPage(bool firstRun, const ustring& requestedPage) {
  if (firstRun && !requestedPage.empty())
    ReportOnStderr("first run: showing the sign-up page, not %s",
                   Utf16ToUtf8(requestedPage).c_str());
  if (firstRun) return WebAppSignupUrl();
  return requestedPage.empty() ? ustring(WebAppOrigin) : requestedPage;
}

}  // namespace

void TMainForm::FormShow(TObject*) {
  const bool firstRun = aFormStorage->ReadString("FirstTime", "").empty();
  aPageShortcuts->RestoreZoom();
  PermissionBar->Start();
  LeavingLinks->Start();
  Chromium->Load(FirstPage(firstRun, FRequestedPage));
}

void TMainForm::OpenRequestedPage(const ustring& url) {
  if (Visible())
    Chromium->Load(url);
  else
    FRequestedPage = url;
}

namespace {

bool IsWindowManagerClose() {
  g_autoptr(GdkEvent) event = gtk_get_current_event();
  return event && event->type == GDK_DELETE;
}

}  // namespace

// The window manager's close asks the page's leave-page question first; the window closes
// when the page agrees. A signal closes at once: nothing may wait for a page then.
void TMainForm::FormCloseQuery(TObject*, bool& CanClose) {
  if (FPageAgreedToClose || !IsWindowManagerClose()) return;
  TRef<ICefBrowserHost> host = Chromium->BrowserHost();
  if (!host) return;
  CanClose = false;
  host->close_browser();
}

// The window's page agreed to close; the window takes the browser with it. A popup's close is
// the popup's own.
void TMainForm::ChromiumClose(TObject*, const TRef<ICefBrowser>& browser, bool& Result) {
  const TRef<ICefBrowser>& own = Chromium->Browser();
  if (!browser || !own || browser->get_identifier() != own->get_identifier()) return;
  Result = true;
  FPageAgreedToClose = true;
  Close();
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
  aFormStorage->WriteString("FirstTime", "No");
}

// Acts on the control's current browser, whichever browser reported the change.
void TMainForm::ChromiumAddressChange(TObject*, const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                                      const ustring& url) {
  if (!IsMarketingSignupUrl(url)) return;
  if (TRef<ICefFrame> mainFrame = MainFrameOf(*Chromium)) mainFrame->load_url(WebAppSignupUrl());
}

// The script goes to the main frame even when a sub-frame loaded the login page. The control
// is hidden meanwhile so the unstyled page is not what the user sees change.
void TMainForm::ChromiumLoadEnd(TObject*, const TRef<ICefBrowser>&, const TRef<ICefFrame>& frame,
                                int32_t) {
  if (!frame || !IsLoginPageUrl(frame->get_url())) return;
  THiddenWhile hidden(*this, *Chromium);
  if (TRef<ICefFrame> mainFrame = MainFrameOf(*Chromium))
    mainFrame->execute_java_script(ustring(LoginRestyleScript), LoginPageUrl(), 0);
}

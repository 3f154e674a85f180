#include "Main.h"

#include "ServiceNavigation.h"

TMainForm* MainForm = nullptr;

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

TFormDescription TMainForm::Description() const {
  return TFormDescriptionOf<TMainForm>()
      .Properties([](TMainForm& form) {
        form.SetName("MainForm");
        form.SetCaption("Corvane Online Invoicing for Small Business");
        form.SetClientSize(680, 640);
        form.SetColor(clWhite);
        form.SetFont({"Tahoma", -11});
        form.SetBorderStyle(bsSizeable);
        form.SetPosition(poDefaultPosOnly);
        form.OnShow = MethodEvent(&form, &TMainForm::FormShow);
      })
      .Component("Chromium", &TMainForm::Chromium,
                 [](TMainForm& form, TChromium& chromium) {
                   chromium.SetAlign(alClient);
                   chromium.SetBounds(0, 0, 680, 640);
                   chromium.SetDefaultUrl(u"about:blank");
                   chromium.OnLoadEnd = MethodEvent(&form, &TMainForm::ChromiumLoadEnd);
                   chromium.OnAddressChange = MethodEvent(&form, &TMainForm::ChromiumAddressChange);
                   TChromiumOptions& options = chromium.Options();
                   options.AcceleratedCompositingDisabled = false;
                   options.AcceleratedPaintingEnabled = false;
                   options.AcceleratedFiltersEnabled = false;
                   options.AcceleratedPluginsDisabled = false;
                 })
      .Component("aAppEvents", &TMainForm::aAppEvents,
                 [](TMainForm& form, TApplicationEvents& events) {
                   events.OnException = MethodEvent(&form, &TMainForm::aAppEventsException);
                 });
}

void TMainForm::aAppEventsException(TObject*, const std::exception&) {}

namespace {

TRef<ICefFrame> MainFrameOf(const TChromium& chromium) {
  return chromium.Browser() ? chromium.Browser()->get_main_frame() : nullptr;
}

// Shows the control again however the work in between ends.
class THiddenWhile {
 public:
  explicit THiddenWhile(TWinControl& control) : FControl(control) { FControl.SetVisible(false); }
  ~THiddenWhile() { FControl.SetVisible(true); }
  THiddenWhile(const THiddenWhile&) = delete;
  THiddenWhile& operator=(const THiddenWhile&) = delete;

 private:
  TWinControl& FControl;
};

}  // namespace

void TMainForm::FormShow(TObject*) {
  Chromium->Load(WebAppSignupUrl());
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
  THiddenWhile hidden(*Chromium);
  if (TRef<ICefFrame> mainFrame = MainFrameOf(*Chromium))
    mainFrame->execute_java_script(ustring(LoginRestyleScript), LoginPageUrl(), 0);
}

#pragma once

#include <memory>

#include "Controls.h"
#include "cefgui.h"
#include "cefvcl_events.h"
#include "cefvcl_options.h"

typedef struct _GdkEventScroll GdkEventScroll;

// One dispatcher and one event field per row of CORVANE_RUNTIME_EVENTS; each field carries its
// row's access, so the two events nothing assigns stay protected.
#define CORVANE_DECLARE_CONTROL_DISPATCH(entry, Dispatch, On, Result, params, args, routine, \
                                         access)                                             \
  Result Dispatch params override;
#define CORVANE_DECLARE_EVENT_FIELD(entry, Dispatch, On, Result, params, args, routine, access) \
  access:                                                                                       \
  T##On CORVANE_EVENT_FIELD(On, access);

// A control that owns one browser of the runtime inside its own window: the browser is
// created with the window, kept at the size of the client area, given the keyboard focus the
// control receives, and every notification about it is raised as an event of the control.
class TCustomChromium : public TWinControl, public IChromiumEvents {
 public:
  explicit TCustomChromium(TComponent* AOwner);

  const TRef<ICefBrowser>& Browser() const { return FBrowser; }
  // The browser's host; null while there is no browser.
  TRef<ICefBrowserHost> BrowserHost() const;
  int32_t BrowserId() const { return FBrowserId; }

  const ustring& DefaultUrl() const { return FDefaultUrl; }
  void SetDefaultUrl(ustring url) { FDefaultUrl = std::move(url); }
  TChromiumOptions& Options() { return *FOptions; }
  TChromiumFontOptions& FontOptions() { return *FFontOptions; }
  const ustring& DefaultEncoding() const { return FDefaultEncoding; }
  void SetDefaultEncoding(ustring value) { FDefaultEncoding = std::move(value); }
  const ustring& UserStyleSheetLocation() const { return FUserStyleSheetLocation; }
  void SetUserStyleSheetLocation(ustring value) { FUserStyleSheetLocation = std::move(value); }

  // Creates the window (and with it the browser) if needed, then loads url into the main
  // frame. Nothing without a browser or main frame.
  void Load(const ustring& url);
  // Closes the browser and creates a new one showing url; nothing while there is no browser.
  void ReCreateBrowser(const ustring& url);

  void Loaded() override;

  // Fills a record whose size the caller has set; a record too small to hold every field is a
  // programming error.
  void FillBrowserSettings(TCefBrowserSettings* settings) override;

  CORVANE_RUNTIME_EVENTS(CORVANE_DECLARE_CONTROL_DISPATCH)

  CORVANE_RUNTIME_EVENTS(CORVANE_DECLARE_EVENT_FIELD)

 public:
  TOnMouseWheel OnMouseWheel;

 protected:
  // Tells the host first, then disconnects the client handler, so no later notification
  // reaches the control.
  ~TCustomChromium() override;

  void CreateWnd() override;
  void Resize() override;
  void CreateBrowser();

 private:
  // The browser's own widget, if there is a browser that has one.
  GtkWidget* BrowserWindow() const;
  void PlaceBrowserWindow(GtkWidget* window);
  void CloseBrowserWindow();
  void ConnectWindowSignals();
  void DisconnectWindowSignals();
  void PassFocusToBrowser();
  // The keyboard focus is on a widget the engine put inside the browser's widget.
  bool FocusIsInEngineWidget(GtkWidget* widget) const;
  // Raises OnMouseWheel for whole notches; a touchpad's fractions add up until they make one.
  // True when the handler keeps the turn from the page.
  bool WheelTurned(const GdkEventScroll& event);
  void DestroyBrowserLink() noexcept;

  // Raises event if assigned; with a result, presets it to the default and answers it.
  template <class TResult, class TEvent, class... TArgs>
  TResult Answer(const TEvent& event, TArgs&&... args);

  TRef<ICefClient> FHandler;
  TRef<ICefBrowser> FBrowser;
  int32_t FBrowserId = 0;
  ustring FDefaultUrl;
  std::unique_ptr<TChromiumOptions> FOptions;
  ustring FUserStyleSheetLocation;
  ustring FDefaultEncoding;
  std::unique_ptr<TChromiumFontOptions> FFontOptions;
  double FWheelFraction = 0;

  friend struct TChromiumWindowSignals;
};

// The control as placed on a window.
class TChromium : public TCustomChromium {
 public:
  using TCustomChromium::TCustomChromium;

 protected:
  ~TChromium() override = default;
};

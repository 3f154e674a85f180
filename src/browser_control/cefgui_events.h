#pragma once

#include "ceflib.h"

// What a browser control offers its client handler: the settings of a new browser, and one
// method per runtime notification, which raises the control's event of the same name and
// answers its result (the default when no handler is assigned). The control is a component
// owned by its window, so references to this interface are plain pointers that do not keep it
// alive.
//
// Each event passes eight places on its way from the runtime to the shell, all made from its
// row in ceflib_events.h; for OnLoadEnd:
//   1. TCustomClientHandler::get_load_handler hands the runtime the load handler (cefgui.h);
//   2. the runtime calls that structure's entry on_load_end (cef_capi.h);
//   3. the entry routine that WireEntry set converts the arguments and keeps exceptions on the
//      program side (ceflib_entries.h, set up in ceflib_handlers_browser.cpp);
//   4. the handler object's operation TCefLoadHandlerOwn::on_load_end (ceflib_handlers_browser.h);
//   5. its override TCustomLoadHandler::on_load_end forwards here (cefgui_handlers.h);
//   6. IChromiumEvents::DispatchLoadEnd below;
//   7. TCustomChromium::DispatchLoadEnd raises the event (cefvcl_dispatch.cpp);
//   8. the control's event OnLoadEnd, of type TOnLoadEnd (cefvcl.h, cefvcl_events.h), which the
//      shell assigns.
// cefgui_events_test fires all forty from the runtime's side and checks each arrives at 8.
#define CORVANE_DECLARE_DISPATCH(entry, Dispatch, On, Result, params, args, routine, access) \
  virtual Result Dispatch params = 0;

class IChromiumEvents {
 public:
  virtual void FillBrowserSettings(TCefBrowserSettings* settings) = 0;

  CORVANE_RUNTIME_EVENTS(CORVANE_DECLARE_DISPATCH)

 protected:
  ~IChromiumEvents() = default;
};

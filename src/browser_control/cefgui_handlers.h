#pragma once

#include <utility>

#include "cefgui_events.h"

// The link of a handler object to its control's events. The runtime may keep a handler object
// after the control is gone, so the client cuts every link when it is disconnected; a cut link
// answers every call with the default.
class TChromiumEventsLink {
 public:
  explicit TChromiumEventsLink(IChromiumEvents* events) : FEvent(events) {}
  void DisconnectEvents() { FEvent = nullptr; }

 protected:
  template <class TMethod, class... TArgs>
  auto Forward(TMethod method, TArgs&&... args) {
    using TResult = decltype((FEvent->*method)(std::forward<TArgs>(args)...));
    if (!FEvent) return TResult();
    return (FEvent->*method)(std::forward<TArgs>(args)...);
  }

 private:
  IChromiumEvents* FEvent;
};

// The control's handler objects, one per row of CORVANE_RUNTIME_HANDLERS: TCustom…Handler,
// whose every operation hands its arguments on unchanged to the control's method of the same
// event.
#define CORVANE_FORWARD_OPERATION(entry, Dispatch, On, Result, params, args, routine, access) \
  Result entry params override {                                                              \
    return Forward(&IChromiumEvents::Dispatch, CORVANE_UNPAREN args);                         \
  }

#define CORVANE_DECLARE_CONTROL_HANDLER(Kind, getter, EVENTS)                \
  class TCustom##Kind : public TCef##Kind##Own, public TChromiumEventsLink { \
   public:                                                                   \
    using TChromiumEventsLink::TChromiumEventsLink;                          \
    EVENTS(CORVANE_FORWARD_OPERATION)                                        \
  };

CORVANE_RUNTIME_HANDLERS(CORVANE_DECLARE_CONTROL_HANDLER)

#pragma once

#include <functional>

#include "Classes.h"
#include "cefgui_events.h"

// The browser control's event types. Sender is the control; an event that answers the runtime
// receives its Result last, preset to the default answer.
template <class TResult, class TSignature>
struct TControlEventOf;

template <class... TParams>
struct TControlEventOf<void, void(TParams...)> {
  using Type = std::function<void(TObject* Sender, TParams...)>;
};

template <class TResult, class... TParams>
struct TControlEventOf<TResult, void(TParams...)> {
  using Type = std::function<void(TObject* Sender, TParams..., TResult& Result)>;
};

// TOnLoadEnd and the others, one per row of CORVANE_RUNTIME_EVENTS.
#define CORVANE_DECLARE_EVENT_TYPE(entry, Dispatch, On, Result, params, args, routine, access) \
  using T##On = TControlEventOf<Result, void params>::Type;

CORVANE_RUNTIME_EVENTS(CORVANE_DECLARE_EVENT_TYPE)

// The control's field of an event: the event's own name when the shell may assign it, F##On
// when nothing does.
#define CORVANE_EVENT_FIELD_public(On) On
#define CORVANE_EVENT_FIELD_protected(On) F##On
#define CORVANE_EVENT_FIELD(On, access) CORVANE_EVENT_FIELD_##access(On)

// The mouse wheel turned over the page, before the page sees it; Handled keeps it from the
// page. Notches away from the user count positive; modifiers are EVENTFLAG_ values.
using TOnMouseWheel =
    std::function<void(TObject* Sender, int32_t modifiers, int notches, bool& Handled)>;

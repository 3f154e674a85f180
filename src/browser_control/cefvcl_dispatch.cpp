// The control's events raised for its client handler: each sets its result to the default,
// lets the assigned handler, if any, change it and answers it.
#include "cefvcl.h"

#include <type_traits>

template <class TResult, class TEvent, class... TArgs>
TResult TCustomChromium::Answer(const TEvent& event, TArgs&&... args) {
  if constexpr (std::is_void_v<TResult>) {
    if (event) event(this, std::forward<TArgs>(args)...);
  } else {
    TResult result{};
    if (event) event(this, std::forward<TArgs>(args)..., result);
    return result;
  }
}

#define CORVANE_DEFINE_DISPATCH(entry, Dispatch, On, Result, params, args, routine, access) \
  Result TCustomChromium::Dispatch params {                                                 \
    return Answer<Result>(CORVANE_EVENT_FIELD(On, access), CORVANE_UNPAREN args);           \
  }

CORVANE_RUNTIME_EVENTS(CORVANE_DEFINE_DISPATCH)

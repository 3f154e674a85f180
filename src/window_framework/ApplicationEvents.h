#pragma once

#include "Classes.h"

// Lets a form take part in the application's events; while it exists, an assigned
// OnException receives the exceptions that reach the message loop instead of the error box.
class TApplicationEvents : public TComponent {
 public:
  explicit TApplicationEvents(TComponent* AOwner);

  TExceptionEvent OnException;

 protected:
  ~TApplicationEvents() override;
};

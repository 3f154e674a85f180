#include "ApplicationEvents.h"

#include "Application.h"
#include "SysUtils.h"

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
  if (!Application) throw Exception("TApplicationEvents needs the application object");
  Application->AddApplicationEvents(this);
}

TApplicationEvents::~TApplicationEvents() {
  if (Application) Application->RemoveApplicationEvents(this);
}

#pragma once

#include "cef_capi_scheme.h"

typedef struct _WebKitWebContext WebKitWebContext;

// Hands WebKit the schemes factories were registered for before the context existed.
void ServeRegisteredSchemes(WebKitWebContext* context);
// Whether the client's factories serve the scheme in this context.
bool IsServedScheme(WebKitWebContext* context, const char* scheme);
// Shutdown: every factory is released.
void ForgetSchemeHandlerFactories();

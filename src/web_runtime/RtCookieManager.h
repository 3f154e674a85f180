#pragma once

#include <memory>

#include "cef_capi.h"

class TCookieStore;

// A cookie manager structure with one reference for the receiver. The store may go away at
// shutdown before the client lets go; the manager then answers false.
TCefCookieManager* NewCookieManager(std::weak_ptr<TCookieStore> store,
                                    std::shared_ptr<void> keepAlive = nullptr);

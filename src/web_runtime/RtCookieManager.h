#pragma once

#include <memory>

#include "cef_capi.h"

class TCookieStore;
class TWebContext;

// A cookie manager structure with one reference for the receiver. The store may go away at
// shutdown before the client lets go; the manager then answers false. A manager of its own
// holds the context its store belongs to.
TCefCookieManager* NewCookieManager(std::weak_ptr<TCookieStore> store,
                                    std::shared_ptr<TWebContext> ownContext = nullptr);
// The context of a manager the runtime made with one of its own; null for the global
// manager and for a structure the client made.
std::shared_ptr<TWebContext> OwnContextOf(TCefCookieManager* manager);

#pragma once

#include <cstdint>
#include <string>

#include "RtRequestHeaders.h"
#include "cef_capi_urlrequest.h"

// A response head as the runtime received it.
struct TResponseHead {
  int32_t Status = 0;
  std::string StatusText;
  std::string MimeType;
  THeaderList Headers;
};

// A read-only response structure with one reference for the receiver.
TCefResponse* NewReadOnlyResponse(const TResponseHead& head);

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RtRequestHeaders.h"
#include "cef_capi.h"

// Requests with their post data, as the client builds them (cef_request_create and the two
// post data creators live in RtRequest.cpp).

// One element of a request body.
struct TPostPart {
  TCefPostDataElementType Type = PDE_TYPE_EMPTY;
  std::string Bytes;
  std::string File;  // UTF-8 path
};

// What a request asks for.
struct TRequestSnapshot {
  std::string Url;
  std::string Method;
  THeaderList Headers;
  std::vector<TPostPart> Body;
  int32_t Flags = 0;
};

// Reads the request through its entries, so a client's own implementation serves as well as
// ours.
TRequestSnapshot ReadRequest(TCefRequest* request);
// Makes a request of this runtime read-only, its post data and elements with it; a client's
// own implementation stays as it is.
void MakeReadOnly(TCefRequest* request);

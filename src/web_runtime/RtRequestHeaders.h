#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cef_capi.h"

// Header lists of requests and responses, in UTF-8 and in the order given.
using THeaderList = std::vector<std::pair<std::string, std::string>>;

// Every entry of a client's header map.
THeaderList HeadersOf(TCefStringMultimap map);
// Appends the headers to a client's map.
void AppendHeaders(const THeaderList& headers, TCefStringMultimap map);

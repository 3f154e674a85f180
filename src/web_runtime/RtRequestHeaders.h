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

// A method or header name as HTTP allows it.
bool IsHttpToken(const std::string& text);
// Every name a token and no value with a line break, which would start a header the client
// never asked for.
bool AreSendable(const THeaderList& headers);

#pragma once

#include <string_view>

#include "ustring.h"

// The invoicing service as the client steers it. The origins are build settings: scheme and
// host without a trailing slash, spelled exactly as the service reports its addresses, since
// every comparison here is exact.
extern const std::u16string_view WebAppOrigin;
extern const std::u16string_view MarketingOrigin;

// Makes the login box sit flush on a white page without the footer (which keeps its space).
extern const std::u16string_view LoginRestyleScript;

ustring WebAppSignupUrl();
ustring LoginPageUrl();

// Whole-string, case-sensitive comparisons: a trailing slash, query or fragment is another page.
bool IsMarketingSignupUrl(const ustring& url);
bool IsLoginPageUrl(const ustring& url);

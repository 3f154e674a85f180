#pragma once

#include <webkit2/webkit2.h>

#include <string>

// Cross-origin entries: pages of a source origin may read resources of a target protocol and
// domain. WebKit lifts its cross-origin checks per view for address patterns, so each view gets
// the patterns of the origin it shows, whenever it starts or commits a page and whenever the
// entries change. The entries outlive the runtime's start and stop, as the entry points allow.

// False for an origin or target that is not well formed (nothing is kept then).
bool AddCrossOriginEntry(const std::string& sourceOrigin, const std::string& targetProtocol,
                         const std::string& targetDomain, bool allowSubdomains);
// False when no such entry was kept.
bool RemoveCrossOriginEntry(const std::string& sourceOrigin, const std::string& targetProtocol,
                            const std::string& targetDomain, bool allowSubdomains);
void ClearCrossOriginEntries();

// Gives view the patterns of the origin of the page it shows (or of uri, the page it is going to).
void ApplyCrossOriginEntries(WebKitWebView* view, const char* uri);

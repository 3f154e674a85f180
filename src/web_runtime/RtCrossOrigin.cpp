#include "RtCrossOrigin.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "RtGuard.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtText.h"
#include "cef_capi.h"

namespace {

constexpr char kPatternsKey[] = "corvane-cross-origin-patterns";

struct TEntry {
  std::string Origin;  // scheme://host[:port], as OriginOf gives it
  std::string Protocol;
  std::string Domain;
  bool Subdomains;
  bool operator==(const TEntry&) const = default;
};

std::vector<TEntry>& Entries() {
  static std::vector<TEntry> entries;
  return entries;
}

// scheme://host:port, the port the scheme's default where the address names none (WebKit's
// normalisation for http, https, ws and wss); empty for an address without a host.
std::string OriginOf(const std::string& url) {
  g_autoptr(GUri) uri = g_uri_parse(url.c_str(), G_URI_FLAGS_SCHEME_NORMALIZE, nullptr);
  if (!uri || !g_uri_get_host(uri) || !*g_uri_get_host(uri)) return {};
  g_autofree gchar* scheme = g_ascii_strdown(g_uri_get_scheme(uri), -1);
  g_autofree gchar* host = g_ascii_strdown(g_uri_get_host(uri), -1);
  std::string origin = std::string(scheme) + "://" + host;
  if (g_uri_get_port(uri) > 0) origin += ":" + std::to_string(g_uri_get_port(uri));
  return origin;
}

bool IsWord(const std::string& text, const char* alsoAllowed) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
    return g_ascii_isalnum(c) || std::strchr(alsoAllowed, c);
  });
}

std::optional<TEntry> EntryOf(const std::string& sourceOrigin, const std::string& protocol,
                              const std::string& domain, bool subdomains) {
  const std::string origin = OriginOf(sourceOrigin);
  if (origin.empty() || !IsWord(protocol, "+-.")) return std::nullopt;
  if (!domain.empty() && !IsWord(domain, "-.")) return std::nullopt;
  g_autofree gchar* lowerProtocol = g_ascii_strdown(protocol.c_str(), -1);
  g_autofree gchar* lowerDomain = g_ascii_strdown(domain.c_str(), -1);
  return TEntry{origin, lowerProtocol, lowerDomain, subdomains};
}

// WebKit's patterns are protocol://host/path, "*" standing for any run of characters.
void AddPatterns(const TEntry& entry, std::vector<std::string>& patterns) {
  const std::string prefix = entry.Protocol + "://";
  if (entry.Domain.empty()) {
    patterns.push_back(prefix + "*/*");
    return;
  }
  patterns.push_back(prefix + entry.Domain + "/*");
  if (entry.Subdomains) patterns.push_back(prefix + "*." + entry.Domain + "/*");
}

// Only a change reaches WebKit, so views of a program that keeps no entries are never touched.
void SetPatterns(WebKitWebView* view, const std::vector<std::string>& patterns) {
  std::string joined;
  for (const std::string& pattern : patterns) joined += pattern + '\n';
  const auto* set = static_cast<const gchar*>(g_object_get_data(G_OBJECT(view), kPatternsKey));
  if (joined == (set ? set : "")) return;
  std::vector<const gchar*> list;
  for (const std::string& pattern : patterns) list.push_back(pattern.c_str());
  list.push_back(nullptr);
  webkit_web_view_set_cors_allowlist(view, patterns.empty() ? nullptr : list.data());
  g_object_set_data_full(G_OBJECT(view), kPatternsKey, g_strdup(joined.c_str()), g_free);
}

void ApplyToAllViews() {
  TRuntime* runtime = TRuntime::Instance();
  if (!runtime) return;
  runtime->ForEachView(
      [](WebKitWebView* view) { ApplyCrossOriginEntries(view, webkit_web_view_get_uri(view)); });
}

bool ChangeEntries(const std::optional<TEntry>& entry, bool add) {
  if (!entry) return false;
  auto& entries = Entries();
  const auto found = std::find(entries.begin(), entries.end(), *entry);
  if (add && found == entries.end()) entries.push_back(*entry);
  if (!add) {
    if (found == entries.end()) return false;
    entries.erase(found);
  }
  ApplyToAllViews();
  return true;
}

}  // namespace

bool AddCrossOriginEntry(const std::string& sourceOrigin, const std::string& targetProtocol,
                         const std::string& targetDomain, bool allowSubdomains) {
  return ChangeEntries(EntryOf(sourceOrigin, targetProtocol, targetDomain, allowSubdomains), true);
}

bool RemoveCrossOriginEntry(const std::string& sourceOrigin, const std::string& targetProtocol,
                            const std::string& targetDomain, bool allowSubdomains) {
  return ChangeEntries(EntryOf(sourceOrigin, targetProtocol, targetDomain, allowSubdomains), false);
}

void ClearCrossOriginEntries() {
  Entries().clear();
  ApplyToAllViews();
}

void ApplyCrossOriginEntries(WebKitWebView* view, const char* uri) {
  const std::string origin = OriginOf(TextOrEmpty(uri));
  std::vector<std::string> patterns;
  for (const TEntry& entry : Entries())
    if (!origin.empty() && entry.Origin == origin) AddPatterns(entry, patterns);
  SetPatterns(view, patterns);
}

extern "C" {

TCefBool cef_add_cross_origin_whitelist_entry(TCefConstString* sourceOrigin,
                                              TCefConstString* targetProtocol,
                                              TCefConstString* targetDomain,
                                              TCefBool allowTargetSubdomains) {
  return Guarded(
      "cef_add_cross_origin_whitelist_entry",
      [&] {
        return AddCrossOriginEntry(ToUtf8(sourceOrigin), ToUtf8(targetProtocol),
                                   ToUtf8(targetDomain), allowTargetSubdomains != 0);
      },
      false);
}

TCefBool cef_remove_cross_origin_whitelist_entry(TCefConstString* sourceOrigin,
                                                 TCefConstString* targetProtocol,
                                                 TCefConstString* targetDomain,
                                                 TCefBool allowTargetSubdomains) {
  return Guarded(
      "cef_remove_cross_origin_whitelist_entry",
      [&] {
        return RemoveCrossOriginEntry(ToUtf8(sourceOrigin), ToUtf8(targetProtocol),
                                      ToUtf8(targetDomain), allowTargetSubdomains != 0);
      },
      false);
}

TCefBool cef_clear_cross_origin_whitelist(void) {
  return Guarded(
      "cef_clear_cross_origin_whitelist",
      [] {
        ClearCrossOriginEntries();
        return true;
      },
      false);
}

}  // extern "C"

// URL parsing and building on GLib's parser. Both answer one canonical form, the way a browser
// writes a URL: scheme and host in lower case, the scheme's default port left out, an empty
// web path as "/". Relative and malformed input answers false.

#include "RtUrl.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "RtGuard.h"
#include "RtStrings.h"
#include "RtText.h"
#include "cef_capi.h"

namespace {

// Components stay %-encoded, so a URL taken apart and put together again is the same text.
constexpr auto kUriFlags = GUriFlags(G_URI_FLAGS_ENCODED | G_URI_FLAGS_HAS_PASSWORD);

// Schemes whose URLs always carry an authority ("//"); all but file: name a server.
bool HasAuthority(const std::string& scheme) {
  static constexpr std::array<const char*, 6> kSchemes{"http", "https", "ws", "wss", "ftp", "file"};
  return std::any_of(kSchemes.begin(), kSchemes.end(),
                     [&](const char* known) { return scheme == known; });
}

bool NeedsHost(const std::string& scheme) {
  return HasAuthority(scheme) && scheme != "file";
}

// Letters, digits, the unreserved and sub-delimiter marks, escapes, IPv6 colons and the bytes
// of international names; GLib lets spaces and the like through.
bool IsHostCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return g_ascii_isalnum(c) || byte >= 0x80 || std::strchr("-._~!$&'()*+,;=%:", c) != nullptr;
}

bool IsAcceptableHost(const std::string& scheme, const char* host) {
  const std::string name = TextOrEmpty(host);
  if (name.empty()) return !NeedsHost(scheme);
  return std::all_of(name.begin(), name.end(), IsHostCharacter);
}

// The canonical spec of an absolute URL, or nothing.
std::optional<std::string> CanonicalSpec(const std::string& text) {
  if (text.empty() || HasControlCharacter(text)) return std::nullopt;
  constexpr auto flags = GUriFlags(kUriFlags | G_URI_FLAGS_SCHEME_NORMALIZE);
  g_autoptr(GUri) parsed = g_uri_parse(text.c_str(), flags, nullptr);
  if (!parsed) return std::nullopt;
  const std::string scheme = g_uri_get_scheme(parsed);
  const char* host = g_uri_get_host(parsed);
  if (!IsAcceptableHost(scheme, host)) return std::nullopt;
  g_autofree char* lowerHost = host ? g_ascii_strdown(host, -1) : nullptr;
  g_autoptr(GUri) canonical = g_uri_build_with_user(
      flags, scheme.c_str(), g_uri_get_user(parsed), g_uri_get_password(parsed),
      g_uri_get_auth_params(parsed), lowerHost, g_uri_get_port(parsed), g_uri_get_path(parsed),
      g_uri_get_query(parsed), g_uri_get_fragment(parsed));
  return TakeText(g_uri_to_string(canonical));
}

// An IPv6 address is written in brackets inside a URL, and so in its host part.
std::string HostPart(const char* host) {
  const std::string name = TextOrEmpty(host);
  return name.find(':') == std::string::npos ? name : "[" + name + "]";
}

std::string HostOfPart(const std::string& part) {
  const bool bracketed = part.size() >= 2 && part.front() == '[' && part.back() == ']';
  return bracketed ? part.substr(1, part.size() - 2) : part;
}

// A port part: empty for none, else a decimal number up to 65535.
std::optional<int> PortOfPart(const std::string& part) {
  if (part.empty()) return -1;
  if (part.size() > 5 ||
      !std::all_of(part.begin(), part.end(), [](char c) { return g_ascii_isdigit(c); }))
    return std::nullopt;
  const int port = std::stoi(part);
  return port <= 65535 ? std::optional<int>(port) : std::nullopt;
}

const char* NullIfEmpty(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

// The URL the parts spell when their spec is empty.
std::optional<std::string> JoinParts(const TCefUrlParts& parts) {
  const std::string scheme = ToUtf8(&parts.scheme), host = HostOfPart(ToUtf8(&parts.host));
  const std::string user = ToUtf8(&parts.username), password = ToUtf8(&parts.password);
  const std::string path = ToUtf8(&parts.path), query = ToUtf8(&parts.query);
  const std::optional<int> port = PortOfPart(ToUtf8(&parts.port));
  if (scheme.empty() || !port) return std::nullopt;
  // With a host, a path that does not start with "/" would run into the host's name.
  if (!host.empty() && !path.empty() && path.front() != '/') return std::nullopt;
  return TakeText(g_uri_join_with_user(kUriFlags, scheme.c_str(), NullIfEmpty(user),
                                       NullIfEmpty(password), nullptr,
                                       HasAuthority(scheme) ? host.c_str() : NullIfEmpty(host),
                                       *port, path.c_str(), NullIfEmpty(query), nullptr));
}

void ClearParts(TCefUrlParts& parts) {
  for (TCefStringUtf16* part : {&parts.spec, &parts.scheme, &parts.username, &parts.password,
                                &parts.host, &parts.port, &parts.path, &parts.query})
    cef_string_utf16_clear(part);
}

void FillParts(const std::string& spec, TCefUrlParts& parts) {
  g_autoptr(GUri) uri = g_uri_parse(spec.c_str(), kUriFlags, nullptr);
  AssignOwned(parts.spec, spec);
  AssignOwned(parts.scheme, TextOrEmpty(g_uri_get_scheme(uri)));
  AssignOwned(parts.username, TextOrEmpty(g_uri_get_user(uri)));
  AssignOwned(parts.password, TextOrEmpty(g_uri_get_password(uri)));
  AssignOwned(parts.host, HostPart(g_uri_get_host(uri)));
  const int port = g_uri_get_port(uri);
  AssignOwned(parts.port, port < 0 ? std::string() : std::to_string(port));
  AssignOwned(parts.path, TextOrEmpty(g_uri_get_path(uri)));
  AssignOwned(parts.query, TextOrEmpty(g_uri_get_query(uri)));
}

}  // namespace

bool HasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
  });
}

extern "C" {

// A failed parse leaves every part empty, so nothing of an earlier URL looks parsed.
TCefBool cef_parse_url(TCefConstString* url, TCefUrlParts* parts) {
  return Guarded(
      "cef_parse_url",
      [&]() -> TCefBool {
        if (!parts) return 0;
        ClearParts(*parts);
        const std::optional<std::string> spec = CanonicalSpec(ToUtf8(url));
        if (!spec) return 0;
        FillParts(*spec, *parts);
        return 1;
      },
      TCefBool(0));
}

// The spec when the parts have one, else the URL the other parts spell.
TCefBool cef_create_url(const TCefUrlParts* parts, TCefStringUtf16* url) {
  return Guarded(
      "cef_create_url",
      [&]() -> TCefBool {
        if (!parts || !url) return 0;
        cef_string_utf16_clear(url);
        const std::string spec = ToUtf8(&parts->spec);
        const std::optional<std::string> joined = spec.empty() ? JoinParts(*parts) : spec;
        const std::optional<std::string> canonical = joined ? CanonicalSpec(*joined) : joined;
        if (!canonical) return 0;
        AssignOwned(*url, *canonical);
        return 1;
      },
      TCefBool(0));
}

}  // extern "C"

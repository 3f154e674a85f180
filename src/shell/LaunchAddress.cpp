#include "LaunchAddress.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>

#include "ServiceNavigation.h"
#include "StderrReport.h"
#include "ustring.h"

namespace {

constexpr std::string_view OwnScheme = "corvane://";
constexpr size_t ShownArgumentSize = 120;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool HasBlankOrControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7f;
  });
}

// After the origin comes its path, query, fragment or nothing; anything else
// ("origin.other.test", "origin:8080", "origin@other.test") is another site.
bool EndsOrigin(std::string_view rest) {
  return rest.empty() || rest.front() == '/' || rest.front() == '?' || rest.front() == '#';
}

TLaunchAddress Refused(std::string reason) {
  return {"", std::move(reason)};
}

// The argument as one short printable line, whatever bytes it holds.
std::string ShownArgument(std::string_view argument) {
  std::string shown;
  for (const char c : argument.substr(0, ShownArgumentSize)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < ' ' || byte >= 0x7f || c == '\\') {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  if (argument.size() > ShownArgumentSize) shown += "...";
  return shown;
}

}  // namespace

TLaunchAddress ParseLaunchAddress(std::string_view argument, std::string_view webAppOrigin) {
  if (argument.size() > MaxLaunchAddressSize)
    return Refused("the address is longer than " + std::to_string(MaxLaunchAddressSize) + " bytes");
  if (HasBlankOrControl(argument)) return Refused("the address holds blanks or control characters");
  if (!g_utf8_validate(argument.data(), static_cast<gssize>(argument.size()), nullptr))
    return Refused("the address is not UTF-8 text");
  const std::string origin(webAppOrigin);
  if (StartsWithIgnoringCase(argument, OwnScheme)) {
    std::string_view path = argument.substr(OwnScheme.size());
    // "corvane:///invoices" names the same page as "corvane://invoices".
    while (path.starts_with('/')) path.remove_prefix(1);
    return {origin + "/" + std::string(path), ""};
  }
  if (StartsWithIgnoringCase(argument, webAppOrigin) &&
      EndsOrigin(argument.substr(webAppOrigin.size())))
    return {origin + std::string(argument.substr(webAppOrigin.size())), ""};
  return Refused("only pages of " + origin + " and corvane:// addresses open here");
}

std::string LaunchPageOf(int argc, const char* const* argv) {
  if (argc < 2) return {};
  if (argc > 2) {
    ReportOnStderr("not opening any of the %d arguments: one address at most", argc - 1);
    return {};
  }
  const std::string_view argument = argv[1];
  const TLaunchAddress address = ParseLaunchAddress(argument, Utf16ToUtf8(WebAppOrigin));
  if (!address.Refusal.empty())
    ReportOnStderr("not opening \"%s\": %s", ShownArgument(argument).c_str(),
                   address.Refusal.c_str());
  return address.Page;
}

#pragma once

#include <string>
#include <string_view>

// What a start's command-line argument asks to open: a page of the web application, named by
// its own URL or by the program's scheme ("corvane://invoices" for WebAppOrigin + "/invoices").
struct TLaunchAddress {
  std::string Page;     // the page to open; empty when refused
  std::string Refusal;  // why the argument is refused, for the user; empty when accepted
};

// Longer arguments are refused: no page of the service needs more, and the address travels to
// a running program in one bounded request.
constexpr size_t MaxLaunchAddressSize = 4096;

// Accepts a URL on webAppOrigin (scheme and host in any case) and "corvane://PATH"; refuses
// everything else, and any argument too long, with blanks or control characters, or not UTF-8.
TLaunchAddress ParseLaunchAddress(std::string_view argument, std::string_view webAppOrigin);

// The page the command line asks for, or empty. A refused argument is reported in one line on
// stderr and the start goes on as one without it.
std::string LaunchPageOf(int argc, const char* const* argv);

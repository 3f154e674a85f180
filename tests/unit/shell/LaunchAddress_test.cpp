#include "LaunchAddress.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::string_view Origin = "https://app.corvane.test";

TEST(LaunchAddressTest, PagesOfTheWebApplicationAreAccepted) {
  const struct {
    std::string argument, page;
  } accepted[] = {
      {"https://app.corvane.test/invoices", "https://app.corvane.test/invoices"},
      {"https://app.corvane.test", "https://app.corvane.test"},
      {"https://app.corvane.test?tab=open", "https://app.corvane.test?tab=open"},
      {"https://app.corvane.test#top", "https://app.corvane.test#top"},
      {"HTTPS://App.Corvane.Test/Invoices", "https://app.corvane.test/Invoices"},
      {"corvane://invoices", "https://app.corvane.test/invoices"},
      {"corvane://invoice/42?print=1#lines", "https://app.corvane.test/invoice/42?print=1#lines"},
      {"corvane:///invoices", "https://app.corvane.test/invoices"},
      {"Corvane://", "https://app.corvane.test/"},
      {"corvane://rechnung/\xC3\xA4", "https://app.corvane.test/rechnung/\xC3\xA4"},
      {"corvane://" + std::string(MaxLaunchAddressSize - 10, 'x'),
       "https://app.corvane.test/" + std::string(MaxLaunchAddressSize - 10, 'x')},
  };
  for (const auto& [argument, page] : accepted) {
    const TLaunchAddress address = ParseLaunchAddress(argument, Origin);
    EXPECT_EQ(address.Page, page) << argument;
    EXPECT_EQ(address.Refusal, "") << argument;
  }
}

TEST(LaunchAddressTest, AnythingElseIsRefusedWithAReason) {
  const std::string refused[] = {
      "",
      "https://example.org/",
      "http://app.corvane.test/invoices",  // another scheme is another origin
      "https://app.corvane.test.example.org/",
      "https://app.corvane.test:8443/",
      "https://app.corvane.test@example.org/",
      "https://app.corvane.tes",
      "https://app.corvane.test\\@example.org/",
      "corvane:invoices",
      "file:///etc/passwd",
      "javascript:alert(1)",
      "--help",
      "invoices",
      "corvane://invoices\nhttps://example.org/",
      "corvane://invoices\r",
      std::string("corvane://invoices\0x", 20),
      "corvane://in voices",
      "corvane://\x1B[31m",
      "corvane://\x7F",
      "corvane://\xC3",
      "corvane://\xFF\xFE",
      "corvane://" + std::string(MaxLaunchAddressSize - 9, 'x'),
  };
  for (const std::string& argument : refused) {
    const TLaunchAddress address = ParseLaunchAddress(argument, Origin);
    EXPECT_EQ(address.Page, "") << argument;
    EXPECT_NE(address.Refusal, "") << argument;
  }
}

}  // namespace

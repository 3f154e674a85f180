#include "ServiceNavigation.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

ustring UpperAscii(std::u16string_view text) {
  ustring upper(text);
  for (char16_t& c : upper)
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  return upper;
}

TEST(ServiceNavigationTest, TheOriginsHaveNoTrailingSlash) {
  for (std::u16string_view origin : {WebAppOrigin, MarketingOrigin}) {
    ASSERT_FALSE(origin.empty());
    EXPECT_NE(origin.back(), u'/');
    EXPECT_NE(origin.find(u"://"), std::u16string_view::npos);
  }
  EXPECT_EQ(WebAppSignupUrl(), ustring(WebAppOrigin) + u"/signup.php");
  EXPECT_EQ(LoginPageUrl(), ustring(WebAppOrigin) + u"/login.php");
}

TEST(ServiceNavigationTest, AddressesMatchOnlyWholeAndInTheSameCase) {
  const ustring marketing = ustring(MarketingOrigin) + u"/signup-simple-online-invoicing";
  EXPECT_TRUE(IsMarketingSignupUrl(marketing));
  EXPECT_FALSE(IsMarketingSignupUrl(marketing + u"/"));
  EXPECT_FALSE(IsMarketingSignupUrl(marketing + u"?ref=ad"));
  EXPECT_FALSE(IsMarketingSignupUrl(ustring(MarketingOrigin) + u"/Signup-Simple-Online-Invoicing"));
  EXPECT_FALSE(IsMarketingSignupUrl(ustring(WebAppOrigin) + u"/signup-simple-online-invoicing"));
  EXPECT_TRUE(IsLoginPageUrl(LoginPageUrl()));
  EXPECT_FALSE(IsLoginPageUrl(LoginPageUrl() + u"?x=1"));
  EXPECT_FALSE(IsLoginPageUrl(LoginPageUrl() + u"#top"));
}

TEST(ServiceNavigationTest, TheRestyleScriptIsItsFourStatements) {
  EXPECT_EQ(LoginRestyleScript.size(), 312u);
  EXPECT_TRUE(LoginRestyleScript.starts_with(u"var headTag = document"));
  EXPECT_TRUE(LoginRestyleScript.ends_with(u".style.visibility=\"hidden\";"));
}

TEST(ServiceNavigationTest, OnlyTheUsersLinksToOtherSitesLeaveForTheBrowser) {
  constexpr int32_t Link = CORVANE_NAVIGATION_LINK;
  constexpr int32_t User = CORVANE_NAVIGATION_USER_GESTURE;
  constexpr int32_t Redirect = CORVANE_NAVIGATION_REDIRECT;
  constexpr int32_t NewWindow = CORVANE_NAVIGATION_NEW_WINDOW;
  const ustring other = u"https://example.org/pricing";
  const ustring webApp = ustring(WebAppOrigin);
  const ustring webAppHost = webApp.substr(webApp.find(u"://") + 3);
  const std::tuple<ustring, int32_t, bool> cases[] = {
      {other, Link | User, true},
      {other, Link | User | NewWindow, true},       // target=_blank
      {other, User | NewWindow, true},              // window.open on a click
      {u"HTTP://Example.ORG", Link | User, true},   // no path, other spelling
      {other, User, false},                         // script navigation on a click
      {other, Link, false},                         // a script's click on a link
      {other, Link | User | Redirect, false},       // the server sent it on
      {other, NewWindow, false},                    // a popup of the page's own
      {webApp + u"/invoices", Link | User, false},  // the service's own pages
      {ustring(MarketingOrigin) + u"/", Link | User | NewWindow, false},
      {UpperAscii(WebAppOrigin) + u"/x", Link | User, false},  // the same site in capitals
      {u"about:blank", User | NewWindow, false},  // neither a web page nor another site
      {u"data:text/html,hi", Link | User, false},
      {u"not an address", Link | User, false},
      {webApp.substr(0, webApp.size() - webAppHost.size()) + u"ann@" + webAppHost + u"/",
       Link | User, false},  // a user name is no other site
  };
  for (const auto& [url, how, leaves] : cases)
    EXPECT_EQ(LeavesForBrowser(url, how), leaves) << Utf16ToUtf8(url) << " how " << how;
}

}  // namespace

#include "ServiceNavigation.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace

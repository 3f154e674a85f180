#include "ServiceNavigation.h"

const std::u16string_view WebAppOrigin = u"" CORVANE_WEBAPP_ORIGIN;
const std::u16string_view MarketingOrigin = u"" CORVANE_MARKETING_ORIGIN;

const std::u16string_view LoginRestyleScript =
    u"var headTag = document.getElementsByTagName(\"head\")[0].innerHTML;"
    u"var newCSS = headTag + '<style type=\"text/css\">#login {margin-top:0; box-shadow:none;} "
    u"body {background-color:#FFF;}</style>';"
    u"document.getElementsByTagName('head')[0].innerHTML += newCSS;"
    u"document.getElementById('footer').style.visibility=\"hidden\";";

namespace {

ustring Join(std::u16string_view origin, std::u16string_view path) {
  ustring url(origin);
  url += path;
  return url;
}

}  // namespace

ustring WebAppSignupUrl() {
  return Join(WebAppOrigin, u"/signup.php");
}

ustring LoginPageUrl() {
  return Join(WebAppOrigin, u"/login.php");
}

bool IsMarketingSignupUrl(const ustring& url) {
  return url == Join(MarketingOrigin, u"/signup-simple-online-invoicing");
}

bool IsLoginPageUrl(const ustring& url) {
  return url == LoginPageUrl();
}

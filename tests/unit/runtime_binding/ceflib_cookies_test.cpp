#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "ScopedEnvironment.h"
#include "binding_test_fixture.h"
#include "runtime_object_recorder.h"

using namespace Recorder;

namespace {

// Central European rules: one hour ahead of UTC in winter, two in summer.
class CookiesTest : public LoadedBindingTest {
 protected:
  TScopedEnvironment FZone{"TZ", "CET-1CEST,M3.5.0,M10.5.0/3"};
};

TDateTime Local(int year, int month, int day, int hour, int minute, int second, int ms) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, ms);
}

MATCHER_P(RaisesConversion, message, "") {
  try {
    RuntimeTimeToDateTime(arg);
  } catch (const EConvertError& e) {
    return e.Message() == message;
  }
  return false;
}

TEST_F(CookiesTest, TimesGoBetweenLocalAndUniversal) {
  const RuntimeTime winter = DateTimeToRuntimeTime(Local(2021, 3, 14, 15, 9, 26, 535));
  EXPECT_EQ(winter.year, 2021);
  EXPECT_EQ(winter.month, 3);
  EXPECT_EQ(winter.day_of_week, 0);  // a Sunday
  EXPECT_EQ(winter.day_of_month, 14);
  EXPECT_EQ(winter.hour, 14);
  EXPECT_EQ(winter.minute, 9);
  EXPECT_EQ(winter.second, 26);
  EXPECT_EQ(winter.millisecond, 535);
  EXPECT_DOUBLE_EQ(RuntimeTimeToDateTime(winter), Local(2021, 3, 14, 15, 9, 26, 535));

  const RuntimeTime summer{2021, 7, 4, 1, 23, 30, 0, 0};
  EXPECT_DOUBLE_EQ(RuntimeTimeToDateTime(summer), Local(2021, 7, 2, 1, 30, 0, 0));
  const RuntimeTime back = DateTimeToRuntimeTime(Local(2021, 7, 2, 1, 30, 0, 0));
  EXPECT_EQ(back.day_of_month, 1);
  EXPECT_EQ(back.hour, 23);

  // Before 1899-12-30 the day counts down while the time of day still counts up.
  const RuntimeTime beforeEpoch{1850, 6, 6, 1, 12, 45, 0, 0};
  const TDateTime old = RuntimeTimeToDateTime(beforeEpoch);
  EXPECT_LT(old, 0);
  EXPECT_EQ(DecodeDate(old).Day, 1);
  EXPECT_EQ(DecodeTime(old).Minute, 45);
  const RuntimeTime again = DateTimeToRuntimeTime(old);
  EXPECT_EQ(std::memcmp(&again, &beforeEpoch, sizeof(again)), 0);
}

TEST_F(CookiesTest, TimesThatNameNoDateOrTimeRaiseConversionErrors) {
  EXPECT_THAT(RuntimeTime{}, RaisesConversion("Invalid argument to date encode"));
  EXPECT_THAT((RuntimeTime{2021, 2, 0, 29, 0, 0, 0, 0}),
              RaisesConversion("Invalid argument to date encode"));
  EXPECT_THAT((RuntimeTime{2021, 2, 0, 28, 24, 0, 0, 0}),
              RaisesConversion("Invalid argument to time encode"));
  EXPECT_THAT((RuntimeTime{2021, 2, 0, 28, 0, 0, 0, 1000}),
              RaisesConversion("Invalid argument to time encode"));
}

TEST_F(CookiesTest, CalendarRecordKeepsSixteenBitsPerField) {
  const TSystemTime narrowed = RuntimeTimeToSystemTime({0x107E5, -1, 2, 3, 4, 5, 6, 0x10007});
  EXPECT_EQ(narrowed.wYear, 0x07E5);
  EXPECT_EQ(narrowed.wMonth, 0xFFFF);
  EXPECT_EQ(narrowed.wDayOfWeek, 2);
  EXPECT_EQ(narrowed.wMilliseconds, 7);
  const RuntimeTime widened = SystemTimeToRuntimeTime({0xFFFF, 12, 6, 31, 23, 59, 59, 999});
  EXPECT_EQ(widened.year, 65535);
  EXPECT_EQ(widened.millisecond, 999);
}

TCefCookieManager* NewRecordingManager() {
  using M = TCefCookieManager;
  return Install<&M::set_supported_schemes, &M::visit_all_cookies, &M::visit_url_cookies,
                 &M::set_cookie, &M::delete_cookies, &M::set_storage_path>(
      FakeRuntime::NewObjectOf<M>("cookie_manager"));
}

TEST_F(CookiesTest, ManagerOperationsCallTheirEntries) {
  const TRef<ICefCookieManager> manager = TCefCookieManagerRef::UnWrap(NewRecordingManager());
  const std::vector<ustring> schemes{u"http", u"corvane"};
  const auto yes = [](const ustring&, const ustring&, const ustring&, const ustring&, bool, bool,
                      bool, TDateTime, TDateTime, TDateTime, int32_t, int32_t,
                      bool&) { return true; };
  using M = ICefCookieManager;
  CheckOperations<M>(
      *manager,
      {
          {"set_supported_schemes", 16, [&](M& m) { return m.set_supported_schemes(&schemes), ""; },
           "[http,corvane]", ""},
          {"set_supported_schemes without a list", 16,
           [](M& m) { return m.set_supported_schemes(nullptr), ""; }, "[]", ""},
          {"visit_all_cookies", 20,
           [](M& m) {
             return Show(m.visit_all_cookies(TRef<ICefCookieVisitor>(new TCefCookieVisitorOwn())));
           },
           "program object", "true"},
          {"visit_all_cookies procedure", 20, [&](M& m) { return Show(m.visit_all_cookies(yes)); },
           "program object", "true"},
          {"visit_url_cookies", 24,
           [](M& m) {
             return Show(m.visit_url_cookies(u"http://a/", true,
                                             TRef<ICefCookieVisitor>(new TCefCookieVisitorOwn())));
           },
           "\"http://a/\", 1, program object", "true"},
          {"visit_url_cookies procedure", 24,
           [&](M& m) { return Show(m.visit_url_cookies(u"http://a/", false, yes)); },
           "\"http://a/\", 0, program object", "true"},
          {"set_cookie", 28,
           [](M& m) {
             return Show(
                 m.set_cookie(u"http://a/", u"n", u"v", u"a", u"/", true, false, false, 0, 0, 0));
           },
           "\"http://a/\", ptr", "true"},
          {"delete_cookies", 32, [](M& m) { return Show(m.delete_cookies(u"http://a/", u"n")); },
           "\"http://a/\", \"n\"", "true"},
          {"set_storage_path", 36, [](M& m) { return Show(m.set_storage_path(u"/data/cache")); },
           "\"/data/cache\"", "true"},
      });
}

TEST_F(CookiesTest, SetCookieSendsTheRecordWithUniversalTimes) {
  static RuntimeCookie sent;
  static std::u16string sentName, sentPath;
  TCefCookieManager* data = FakeRuntime::NewObjectOf<TCefCookieManager>("cookie_manager");
  data->set_cookie = [](TCefCookieManager*, TCefConstString*, const RuntimeCookie* cookie) {
    sent = *cookie;
    sentName = CopyFromRuntimeString(&cookie->name);
    sentPath = CopyFromRuntimeString(&cookie->path);
    return TCefBool{0};
  };
  const TRef<ICefCookieManager> manager = TCefCookieManagerRef::UnWrap(data);
  const TDateTime created = Local(2021, 1, 5, 10, 0, 0, 0);
  EXPECT_FALSE(manager->set_cookie(u"http://a/", u"session", u"1", u".a", u"/app", false, true,
                                   false, created, created + 1, 99999));
  EXPECT_EQ(sentName, u"session");
  EXPECT_EQ(sentPath, u"/app");
  EXPECT_EQ(sent.secure, 0);
  EXPECT_EQ(sent.httponly, 1);
  EXPECT_EQ(sent.has_expires, 0);
  EXPECT_EQ(sent.creation.hour, 9);
  EXPECT_EQ(sent.last_access.day_of_month, 6);
  const RuntimeTime zero{};
  EXPECT_EQ(std::memcmp(&sent.expires, &zero, sizeof(zero)), 0);

  manager->set_cookie(u"http://a/", u"n", u"v", u"", u"", true, false, true, created, created,
                      Local(2022, 8, 1, 0, 30, 0, 0));
  EXPECT_EQ(sent.has_expires, 1);
  EXPECT_EQ(sent.expires.day_of_month, 31);
  EXPECT_EQ(sent.expires.hour, 22);
}

TEST_F(CookiesTest, GlobalAndNewManagersComeFromTheRuntime) {
  TRef<ICefCookieManager> global = TCefCookieManagerRef::Global();
  EXPECT_NE(global, nullptr);
  EXPECT_EQ(FakeRuntime::CallCount("cef_cookie_manager_get_global_manager"), 1);
  TRef<ICefCookieManager> created = TCefCookieManagerRef::New(u"/tmp/jar");
  EXPECT_NE(created, nullptr);
  EXPECT_EQ(FakeRuntime::LastTextArgument(), u"/tmp/jar");

  global.reset();
  created.reset();
  FinalizeRuntimeBinding();
  EXPECT_THROW(TCefCookieManagerRef::Global(), ECefException);
  EXPECT_THROW(TCefCookieManagerRef::New(u""), ECefException);
}

// What a visitor was handed, and what it answers.
class TCookieRecorder : public TCefCookieVisitorOwn {
 public:
  bool visit(const ustring& name, const ustring&, const ustring& domain, const ustring&,
             bool secure, bool, bool hasExpires, TDateTime creation, TDateTime, TDateTime expires,
             int32_t count, int32_t total, bool& deleteCookie) override {
    Seen = name + u"@" + domain;
    Secure = secure;
    HasExpires = hasExpires;
    Creation = creation;
    Expires = expires;
    Position = count * 100 + total;
    deleteCookie = Delete;
    return GoOn;
  }
  ustring Seen;
  bool Secure = false, HasExpires = true, Delete = false, GoOn = true;
  TDateTime Creation = 0, Expires = -1;
  int32_t Position = 0;
};

TEST_F(CookiesTest, VisitorReceivesEachCookieAndAnswersThroughTheRuntimesFlags) {
  TRef<TCookieRecorder> visitor(new TCookieRecorder());
  auto* data = static_cast<TCefCookieVisitor*>(visitor->Wrap());
  const ustring name = u"sid", domain = u"127.0.0.1";
  RuntimeCookie cookie{};
  cookie.name = BorrowRuntimeString(name);
  cookie.domain = BorrowRuntimeString(domain);
  cookie.secure = 1;
  cookie.creation = RuntimeTime{2021, 3, 0, 14, 14, 9, 26, 535};
  cookie.last_access = cookie.creation;
  cookie.expires = RuntimeTime{};  // meaningless without has_expires
  TCefBool deleteCookie = 1;
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefCookieVisitor::visit, nullptr, 1, 5, &deleteCookie), 1);
  EXPECT_EQ(deleteCookie, 0);

  EXPECT_EQ(FakeRuntime::Fire(data, &TCefCookieVisitor::visit, &cookie, 2, 5, &deleteCookie), 1);
  EXPECT_EQ(visitor->Seen, u"sid@127.0.0.1");
  EXPECT_TRUE(visitor->Secure);
  EXPECT_FALSE(visitor->HasExpires);
  EXPECT_EQ(visitor->Expires, 0);
  EXPECT_DOUBLE_EQ(visitor->Creation, Local(2021, 3, 14, 15, 9, 26, 535));
  EXPECT_EQ(visitor->Position, 205);
  EXPECT_EQ(deleteCookie, 0);

  visitor->Delete = true;
  visitor->GoOn = false;
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefCookieVisitor::visit, &cookie, 3, 5, &deleteCookie), 0);
  EXPECT_EQ(deleteCookie, 1);

  // An unreadable time stops nothing and deletes nothing; the error was logged when raised.
  cookie.has_expires = 1;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefCookieVisitor::visit, &cookie, 4, 5, &deleteCookie), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(deleteCookie, 0);
  data->base.release(&data->base);
}

TEST_F(CookiesTest, DefaultVisitorGoesOnAndDeletesNothing) {
  TRef<TCefCookieVisitorOwn> visitor(new TCefCookieVisitorOwn());
  auto* data = static_cast<TCefCookieVisitor*>(visitor->Wrap());
  RuntimeCookie cookie{};
  cookie.creation = cookie.last_access = RuntimeTime{2020, 1, 3, 1, 0, 0, 0, 0};
  TCefBool deleteCookie = 1;
  EXPECT_EQ(data->base.size, sizeof(TCefCookieVisitor));
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefCookieVisitor::visit, &cookie, 0, 1, &deleteCookie), 1);
  EXPECT_EQ(deleteCookie, 0);
  data->base.release(&data->base);
}

}  // namespace

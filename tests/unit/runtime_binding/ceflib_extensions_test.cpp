#include "binding_test_fixture.h"

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

TRef<ICefBrowserHost> NewHost() {
  return TCefBrowserHostRef::UnWrap(FakeRuntime::NewObjectOf<TCefBrowserHost>("host"));
}

// A find handler that counts its destructions, so a test sees it released exactly once.
class TCountedFindHandler : public TCefFindHandlerOwn {
 public:
  TCountedFindHandler(std::vector<int32_t>& results, int& destroyed)
      : FResults(results), FDestroyed(destroyed) {}
  ~TCountedFindHandler() override { ++FDestroyed; }
  void on_find_result(int32_t matchCount) override { FResults.push_back(matchCount); }

 private:
  std::vector<int32_t>& FResults;
  int& FDestroyed;
};

using ExtensionsTest = LoadedBindingTest;

TEST_F(ExtensionsTest, AFindReachesTheRuntimeAndItsCountReachesTheHandlerWhichGoesOnce) {
  ASSERT_TRUE(FakeRuntime::ExtensionsExported());
  ASSERT_TRUE(CanFindInPage());
  std::vector<int32_t> results;
  int destroyed = 0;
  EXPECT_TRUE(FindInPage(NewHost(), u"Kestrel", false,
                         TRef<ICefFindHandler>(new TCountedFindHandler(results, destroyed))));
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("corvane_find"));
  EXPECT_EQ(FakeRuntime::LastFind().Text, u"Kestrel");
  EXPECT_FALSE(FakeRuntime::LastFind().Forward);
  EXPECT_TRUE(FakeRuntime::LastFind().HadHandler);
  EXPECT_EQ(FakeRuntime::LastExtensionHost(), "host");
  // Only the runtime holds the handler now.
  EXPECT_EQ(destroyed, 0);

  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(3));
  EXPECT_THAT(results, ElementsAre(3));
  EXPECT_EQ(destroyed, 1);
}

TEST_F(ExtensionsTest, FindWithAProcedureForwardsEachAnswerAndSurvivesOneThatRaises) {
  std::vector<int32_t> counts;
  const TRef<ICefBrowserHost> host = NewHost();
  EXPECT_TRUE(FindInPage(host, u"a", true, [&](int32_t count) { counts.push_back(count); }));
  EXPECT_TRUE(FakeRuntime::LastFind().Forward);
  EXPECT_TRUE(FindInPage(host, u"ab", true, [](int32_t) -> void { throw Exception("boom"); }));
  EXPECT_TRUE(FindInPage(host, u"", true, TRef<ICefFindHandler>()));
  EXPECT_FALSE(FakeRuntime::LastFind().HadHandler);
  EXPECT_EQ(FakeRuntime::LastFind().Text, u"");

  EXPECT_TRUE(FakeRuntime::AnswerOldestFind(0));
  EXPECT_TRUE(FakeRuntime::AnswerOldestFind(5));   // the raising procedure: stopped at the edge
  EXPECT_FALSE(FakeRuntime::AnswerOldestFind(1));  // the search without a handler left none
  EXPECT_THAT(counts, ElementsAre(0));
}

TEST_F(ExtensionsTest, StopFindingAndPrintCallTheirEntriesWithTheHost) {
  const TRef<ICefBrowserHost> host = NewHost();
  EXPECT_TRUE(StopFindingInPage(host));
  EXPECT_EQ(FakeRuntime::LastExtensionHost(), "host");
  EXPECT_TRUE(CanPrintPage());
  EXPECT_TRUE(PrintPage(host));
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("corvane_stop_finding", "corvane_print"));
}

TEST_F(ExtensionsTest, WithoutAHostNothingIsCalled) {
  int called = 0;
  EXPECT_FALSE(FindInPage(nullptr, u"x", true, [&](int32_t) { ++called; }));
  EXPECT_FALSE(StopFindingInPage(nullptr));
  EXPECT_FALSE(PrintPage(nullptr));
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());
  EXPECT_EQ(called, 0);
}

TEST_F(ExtensionsTest, TheEntriesGoWithTheLibraryAndComeBackWithTheNextLoad) {
  const TRef<ICefBrowserHost> host = NewHost();
  FinalizeRuntimeBinding();
  EXPECT_FALSE(CanFindInPage());
  EXPECT_FALSE(CanPrintPage());
  FakeRuntime::ClearCalls();
  EXPECT_FALSE(PrintPage(host));
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());

  ASSERT_TRUE(EnsureRuntimeLoaded());
  EXPECT_TRUE(PrintPage(host));
  EXPECT_THAT(FakeRuntime::Calls(), Contains("corvane_print"));
}

}  // namespace

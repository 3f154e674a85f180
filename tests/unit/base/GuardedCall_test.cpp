#include "GuardedCall.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "SysUtils.h"

namespace {

std::string LastReport;
TObject* LastSender = nullptr;

void RecordReport(TObject* Sender) noexcept {
  LastSender = Sender;
  try {
    throw;
  } catch (const std::exception& e) {
    LastReport = e.what();
  } catch (...) {
    LastReport = "unknown";
  }
}

class GuardedCallTest : public ::testing::Test {
 protected:
  void SetUp() override { LastReport.clear(); }
  void TearDown() override { SetGuardedCallHandler(nullptr); }
};

TEST_F(GuardedCallTest, AnExceptionStopsAtTheBoundaryWithTheDefaultAnswer) {
  EXPECT_EQ(CallGuarded(nullptr, -1, []() -> int { throw Exception("lost"); }), -1);
  EXPECT_EQ(CallGuarded(nullptr, -1, [] { return 5; }), 5);
  bool ran = false;
  CallGuarded(nullptr, [&] {
    ran = true;
    throw 42;
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(LastReport, "");
}

TEST_F(GuardedCallTest, TheOneHandlerSeesTheExceptionAndItsSender) {
  SetGuardedCallHandler(RecordReport);
  auto* sender = reinterpret_cast<TObject*>(uintptr_t(0x1000));
  CallGuarded(sender, [] { throw std::runtime_error("from a timer"); });
  EXPECT_EQ(LastReport, "from a timer");
  EXPECT_EQ(LastSender, sender);
  EXPECT_EQ(CallGuarded(nullptr, 0, []() -> int { throw 1; }), 0);
  EXPECT_EQ(LastReport, "unknown");
  EXPECT_EQ(LastSender, nullptr);
}

}  // namespace

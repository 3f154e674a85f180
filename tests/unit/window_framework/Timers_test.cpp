#include "Timers.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "Application.h"
#include "GtkTestSupport.h"

namespace {

// Timers need no display; only the application object that receives their exceptions.
class TimerTest : public testing::Test {
 protected:
  void SetUp() override { StartWindowFramework(); }
  void TearDown() override { EndWindowFramework(); }
};

}  // namespace

TEST_F(TimerTest, TimersFireOnTheMainThreadUntilKilled) {
  const auto mainThread = std::this_thread::get_id();
  int ticks = 0;
  bool offMainThread = false;
  TTimerId id = 0;
  // Set from another thread: it must still fire on the thread that runs the main loop.
  std::thread([&] {
    id = SetTimer(2, [&] {
      ++ticks;
      offMainThread |= std::this_thread::get_id() != mainThread;
    });
  }).join();
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(RunLoopUntil([&] { return ticks >= 3; }));
  EXPECT_FALSE(offMainThread);

  EXPECT_TRUE(KillTimer(id));
  const int ticksWhenKilled = ticks;
  RunLoopFor(30);
  EXPECT_EQ(ticks, ticksWhenKilled);
  EXPECT_FALSE(KillTimer(id));
}

TEST_F(TimerTest, ATimerMayKillItselfAndOnlyTimersAreKilled) {
  int ticks = 0;
  TTimerId id = 0;
  id = SetTimer(1, [&] {
    ++ticks;
    EXPECT_TRUE(KillTimer(id));
  });
  RunLoopFor(30);
  EXPECT_EQ(ticks, 1);

  const guint idle = g_idle_add([](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  EXPECT_FALSE(KillTimer(idle));
  EXPECT_NE(g_main_context_find_source_by_id(nullptr, idle), nullptr);
  g_source_remove(idle);
}

TEST_F(TimerTest, AnExceptionFromATimerReachesTheApplicationAndTheTimerGoesOn) {
  std::vector<std::string> messages;
  Application->OnException = [&](TObject*, const std::exception& e) {
    messages.push_back(e.what());
  };
  int ticks = 0;
  const TTimerId id =
      SetTimer(1, [&] { throw std::runtime_error("tick " + std::to_string(++ticks)); });
  EXPECT_TRUE(RunLoopUntil([&] { return messages.size() >= 2; }));
  KillTimer(id);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[0], "tick 1");
  EXPECT_EQ(messages[1], "tick 2");
}

#include "SingleInstance.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TemporaryConfigHome.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class SingleInstanceTest : public testing::Test {
 protected:
  fs::path DataFolder() const { return FHome.DataFolder(); }
  std::string LockFolder() const { return (FHome.Folder() / "run").string(); }

  std::unique_ptr<TSingleInstance> Claim(const fs::path& dataFolder,
                                         std::chrono::milliseconds timeout = 1500ms,
                                         const TSingleInstance::TRequest& request = {}) {
    return std::make_unique<TSingleInstance>(dataFolder.string(), LockFolder(), request, timeout);
  }

  // Claims from another thread while this one runs the main loop that serves the holder.
  TSingleInstance::TRole ClaimServed(const fs::path& dataFolder, const std::string& startupId,
                                     const std::string& page = {}) {
    auto claim = std::async(std::launch::async, [&] {
      return Claim(dataFolder, 1500ms, {startupId, page})->Role();
    });
    while (claim.wait_for(0ms) != std::future_status::ready)
      g_main_context_iteration(nullptr, FALSE);
    return claim.get();
  }

  // The holder's socket: the one file of that kind in the lock folder.
  fs::path SocketFile() const {
    for (const auto& entry : fs::directory_iterator(LockFolder()))
      if (entry.path().extension() == ".socket") return entry.path();
    return {};
  }

  TTemporaryConfigHome FHome;
};

TEST_F(SingleInstanceTest, ALaterStartAsksTheFirstToRaiseItsWindowWithItsStartupId) {
  auto first = Claim(DataFolder());
  ASSERT_EQ(first->Role(), TSingleInstance::irFirst);
  std::optional<std::string> raised;
  first->ListenForRequests([&](const TSingleInstance::TRequest& request) {
    raised = request.StartupId;
    EXPECT_EQ(request.Page, "");
  });

  EXPECT_EQ(ClaimServed(DataFolder(), "desk top\x01_TIME42"), TSingleInstance::irRaisedFirst);
  EXPECT_EQ(raised, "desktop_TIME42") << "only printable characters are passed on";

  raised.reset();
  EXPECT_EQ(ClaimServed(DataFolder() / ".." / "Corvane" / "", ""), TSingleInstance::irRaisedFirst)
      << "the same folder spelled differently";
  EXPECT_EQ(raised, "");
}

TEST_F(SingleInstanceTest, ALaterStartHandsOnItsPageWhole) {
  auto first = Claim(DataFolder());
  ASSERT_EQ(first->Role(), TSingleInstance::irFirst);
  std::vector<TSingleInstance::TRequest> served;
  first->ListenForRequests(
      [&](const TSingleInstance::TRequest& request) { served.push_back(request); });
  // As long as the longest address a start accepts, with the longest start-up id.
  const std::string longPage = "http://127.0.0.1/" + std::string(4096 - 17, 'p');
  for (const auto& [startupId, page] :
       {std::pair<std::string, std::string>{"", "http://127.0.0.1/invoices?a=1#b"},
        {"desk top_TIME7", "http://127.0.0.1/x y"},
        {std::string(300, 'i'), longPage}})
    EXPECT_EQ(ClaimServed(DataFolder(), startupId, page), TSingleInstance::irRaisedFirst);
  ASSERT_EQ(served.size(), 3u);
  EXPECT_EQ(served[0].StartupId, "");
  EXPECT_EQ(served[0].Page, "http://127.0.0.1/invoices?a=1#b");
  EXPECT_EQ(served[1].StartupId, "desktop_TIME7");
  EXPECT_EQ(served[1].Page, "http://127.0.0.1/x y") << "the page is the rest of the line";
  EXPECT_EQ(served[2].StartupId, std::string(200, 'i'));
  EXPECT_EQ(served[2].Page, longPage);
}

TEST_F(SingleInstanceTest, DifferentDataFoldersDoNotMeet) {
  auto first = Claim(DataFolder());
  auto other = Claim(FHome.Folder() / "elsewhere");
  EXPECT_EQ(first->Role(), TSingleInstance::irFirst);
  EXPECT_EQ(other->Role(), TSingleInstance::irFirst);
}

TEST_F(SingleInstanceTest, TheNextStartAfterTheHolderEndedIsFirstWhateverItLeft) {
  Claim(DataFolder()).reset();
  EXPECT_TRUE(SocketFile().empty()) << "the holder removes its socket";
  auto next = Claim(DataFolder());
  ASSERT_EQ(next->Role(), TSingleInstance::irFirst);
  const fs::path socket = SocketFile();
  next.reset();
  // The socket path taken by a file, as if a holder killed before cleaning up had left it.
  std::ofstream(socket) << "left behind";

  auto first = Claim(DataFolder());
  ASSERT_EQ(first->Role(), TSingleInstance::irFirst);
  bool raised = false;
  first->ListenForRequests([&](const TSingleInstance::TRequest&) { raised = true; });
  EXPECT_EQ(ClaimServed(DataFolder(), ""), TSingleInstance::irRaisedFirst);
  EXPECT_TRUE(raised);
}

TEST_F(SingleInstanceTest, AHolderThatCannotBeReachedEndsTheWaitAtTheTimeout) {
  auto first = Claim(DataFolder());
  ASSERT_EQ(first->Role(), TSingleInstance::irFirst);
  fs::remove(SocketFile());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Claim(DataFolder(), 300ms)->Role(), TSingleInstance::irUnreachable);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

TEST_F(SingleInstanceTest, ARequestWaitsInTheQueueUntilTheHolderListens) {
  auto first = Claim(DataFolder());
  EXPECT_EQ(Claim(DataFolder(), 100ms)->Role(), TSingleInstance::irRaisedFirst);
  bool raised = false;
  first->ListenForRequests([&](const TSingleInstance::TRequest&) { raised = true; });
  for (int i = 0; i < 200 && !raised; ++i) {
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(10000);
  }
  EXPECT_TRUE(raised);
}

TEST_F(SingleInstanceTest, AStartWhileTheHolderEndsRunsOnceItHasEnded) {
  auto first = Claim(DataFolder());
  first->ListenForRequests(
      [](const TSingleInstance::TRequest&) { ADD_FAILURE() << "raised while ending"; });
  first->StopListening();
  auto next = std::async(std::launch::async, [&] { return Claim(DataFolder())->Role(); });
  g_usleep(300000);
  first.reset();
  EXPECT_EQ(next.get(), TSingleInstance::irFirst);
}

TEST_F(SingleInstanceTest, AnUnusableLockFolderLeavesTheStartUnguarded) {
  std::ofstream(FHome.Folder() / "run") << "a file, not a folder";
  EXPECT_EQ(Claim(DataFolder())->Role(), TSingleInstance::irFirst);
}

}  // namespace

#include "ModuleActions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using TLog = std::vector<std::string>;

void AddLogged(TModuleActions& modules, TLog& log, const std::string& name) {
  modules.Add([&log, name] { log.push_back("start " + name); },
              [&log, name] { log.push_back("end " + name); });
}

}  // namespace

TEST(ModuleActionsTest, EndActionsRunInReverseOrderOfTheStartActions) {
  TLog log;
  TModuleActions modules;
  AddLogged(modules, log, "a");
  modules.Add(nullptr, nullptr);  // a module may have no actions
  AddLogged(modules, log, "b");
  AddLogged(modules, log, "c");
  modules.StartAll();
  modules.EndAll();
  EXPECT_EQ(log, (TLog{"start a", "start b", "start c", "end c", "end b", "end a"}));
  log.clear();
  modules.EndAll();
  EXPECT_TRUE(log.empty()) << "modules end once";
}

TEST(ModuleActionsTest, AFailedStartEndsOnlyTheModulesThatStarted) {
  TLog log;
  TModuleActions modules;
  AddLogged(modules, log, "a");
  modules.Add([] { throw std::runtime_error("no"); }, [&log] { log.push_back("end b"); });
  AddLogged(modules, log, "c");
  EXPECT_THROW(modules.StartAll(), std::runtime_error);
  modules.EndAll();
  EXPECT_EQ(log, (TLog{"start a", "end a"}));
}

TEST(ModuleActionsTest, AFailingEndActionStillLetsTheOthersEnd) {
  TLog log;
  TModuleActions modules;
  AddLogged(modules, log, "a");
  modules.Add(nullptr, [] { throw std::runtime_error("ends second"); });
  modules.Add(nullptr, [] { throw std::logic_error("ends first"); });
  modules.StartAll();
  try {
    modules.EndAll();
    FAIL() << "the end failure was swallowed";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "ends first");
  }
  EXPECT_EQ(log, (TLog{"start a", "end a"}));
}

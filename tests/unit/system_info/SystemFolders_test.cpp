#include "SystemFolders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "JvComputerInfoEx.h"
#include "ScopedEnvironment.h"

namespace {

std::string AppDataFolder() {
  TOwnedComponent<TJvComputerInfoEx> info(new TJvComputerInfoEx(nullptr));
  return info->GetSpecialFolderPath(CSIDL_APPDATA);
}

}  // namespace

TEST(SystemFoldersTest, AppDataFollowsTheDesktopConventionWithoutTrailingSlash) {
  {
    TScopedEnvironment config("XDG_CONFIG_HOME", "/tmp/cfg//");
    EXPECT_EQ(AppDataFolder(), "/tmp/cfg");
  }
  {
    TScopedEnvironment config("XDG_CONFIG_HOME", "");
    TScopedEnvironment home("HOME", "/home/ann/");
    EXPECT_EQ(AppDataFolder(), "/home/ann/.config");
  }
  {
    TScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
    TScopedEnvironment home("HOME", nullptr);
    const passwd* account = getpwuid(getuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(AppDataFolder(), std::string(account->pw_dir) + "/.config")
        << "without HOME, the account's home, never the file system's root";
  }
  TOwnedComponent<TJvComputerInfoEx> info(new TJvComputerInfoEx(nullptr));
  EXPECT_EQ(info->GetSpecialFolderPath(5), "") << "only the application-data folder is known";
}

TEST(SystemFoldersTest, ProgramAndTemporaryFolders) {
  EXPECT_TRUE(ProgramFileName().ends_with("/system_info_tests"));
  EXPECT_EQ(ProgramFolder() + "/system_info_tests", ProgramFileName());
  TScopedEnvironment tmp("TMPDIR", "/var/tmp/");
  EXPECT_EQ(TemporaryFolder(), "/var/tmp");
  TScopedEnvironment noTmp("TMPDIR", nullptr);
  EXPECT_EQ(TemporaryFolder(), "/tmp");
}

#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

// Points the application-data folder ($XDG_CONFIG_HOME) into a new temporary folder while it
// lives, so a test never touches the user's own settings; removes the folder afterwards.
class TTemporaryConfigHome {
 public:
  TTemporaryConfigHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvane-shell-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "no temporary folder";
    FFolder = pattern;
    if (const char* saved = ::getenv("XDG_CONFIG_HOME")) FSaved = saved;
    ::setenv("XDG_CONFIG_HOME", (FFolder / "config").c_str(), 1);
  }
  ~TTemporaryConfigHome() {
    if (FSaved)
      ::setenv("XDG_CONFIG_HOME", FSaved->c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  TTemporaryConfigHome(const TTemporaryConfigHome&) = delete;
  TTemporaryConfigHome& operator=(const TTemporaryConfigHome&) = delete;

  std::filesystem::path Folder() const { return FFolder; }
  // Where the program keeps its files below this home.
  std::filesystem::path DataFolder() const { return FFolder / "config" / "Corvane"; }

 private:
  std::filesystem::path FFolder;
  std::optional<std::string> FSaved;
};

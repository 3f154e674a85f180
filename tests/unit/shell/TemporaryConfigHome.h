#pragma once

#include <filesystem>

#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

// Points the application-data folder ($XDG_CONFIG_HOME) into a new temporary folder while it
// lives, so a test never touches the user's own settings; removes the folder afterwards.
class TTemporaryConfigHome {
 public:
  std::filesystem::path Folder() const { return FFolder.Path(); }
  // Where the program keeps its files below this home.
  std::filesystem::path DataFolder() const { return FFolder / "config" / "Corvane"; }

 private:
  TTemporaryFolder FFolder{"corvane-shell"};
  TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", (FFolder / "config").string()};
};

#pragma once

#include <functional>
#include <vector>

// Module start and end actions, registered explicitly by the program entry in module order.
// Start actions run in that order; end actions run in reverse, for the started modules only.
class TModuleActions {
 public:
  void Add(std::function<void()> start, std::function<void()> end);

  // Stops at the first start action that raises and propagates its error; EndAll then ends
  // just the modules that had started.
  void StartAll();
  // Runs every due end action even when one raises; the first error is raised afterwards.
  void EndAll();

 private:
  struct TModule {
    std::function<void()> Start, End;
  };
  std::vector<TModule> FModules;
  size_t FStarted = 0;
};

#include "ModuleActions.h"

#include <exception>

void TModuleActions::Add(std::function<void()> start, std::function<void()> end) {
  FModules.push_back({std::move(start), std::move(end)});
}

void TModuleActions::StartAll() {
  while (FStarted < FModules.size()) {
    if (const auto& start = FModules[FStarted].Start) start();
    ++FStarted;
  }
}

void TModuleActions::EndAll() {
  std::exception_ptr firstError;
  while (FStarted > 0) {
    const auto& end = FModules[--FStarted].End;
    try {
      if (end) end();
    } catch (...) {
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (firstError) std::rethrow_exception(firstError);
}

#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryFolder.h"

// Loads a copy of the fixture library under a name of the test's choice, so that each copy is
// a module of its own with its own files beside it. The copy stays loaded: the lookup cache
// keeps its source for the rest of the process.
class TFixtureModule {
 public:
  // Copies the fixture into folder as <name>.so and calls prepare(folder / name) before
  // loading it, to put files beside it.
  template <class Prepare>
  TFixtureModule(const std::filesystem::path& folder, const std::string& name, Prepare&& prepare) {
    const std::filesystem::path file = folder / (name + ".so");
    std::filesystem::copy_file(LOCATION_FIXTURE_PATH, file,
                               std::filesystem::copy_options::overwrite_existing);
    prepare(folder / name);
    FHandle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  bool Loaded() const { return FHandle != nullptr; }
  void* Function(const char* name) const { return dlsym(FHandle, name); }

 private:
  void* FHandle = nullptr;
};

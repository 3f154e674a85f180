#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

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

// A fresh folder under the system's temporary folder, removed with the object.
class TTemporaryFolder {
 public:
  TTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "jcldebug-XXXXXX").string();
    FPath = mkdtemp(pattern.data());
  }
  ~TTemporaryFolder() { std::filesystem::remove_all(FPath); }
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

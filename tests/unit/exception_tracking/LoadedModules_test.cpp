#include "LoadedModules.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "TemporaryFolder.h"

namespace {

__attribute__((noinline)) int CodeOfTheTestProgram() {
  return 11;
}

uintptr_t Address(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

std::string FileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string BytesOfHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The module holding Code: it has Code in its code range and carries the build id written in
// its file.
void ExpectModuleOfCode(const TLoadedModuleList& modules, const void* code,
                        const std::string& fileName) {
  const TLoadedModule* module = modules.Holding(Address(code));
  ASSERT_NE(module, nullptr) << fileName;
  EXPECT_EQ(module->FileName, fileName);
  EXPECT_TRUE(module->Code.Contains(Address(code))) << fileName;
  EXPECT_TRUE(module->Span.Contains(Address(code))) << fileName;
  EXPECT_EQ(module->BuildId.size(), 40u) << fileName;
  EXPECT_NE(FileBytes(fileName).find(BytesOfHex(module->BuildId)), std::string::npos) << fileName;
}

TEST(LoadedModules, TheProgramAndTheCLibraryWithTheirCodeAndBuildIds) {
  const auto modules = LoadedModules();
  const TLoadedModule& first = modules->Modules().front();
  EXPECT_TRUE(first.IsExecutable());
  EXPECT_EQ(first.FileName, std::filesystem::read_symlink("/proc/self/exe").string());
  ExpectModuleOfCode(*modules, reinterpret_cast<void*>(&CodeOfTheTestProgram), first.FileName);

  // Through the library's own handle: a sanitizer may put its own qsort first.
  void* libcHandle = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(libcHandle, nullptr);
  void* qsortCode = dlsym(libcHandle, "qsort");
  dlclose(libcHandle);
  const TLoadedModule* libc = modules->Holding(Address(qsortCode));
  ASSERT_NE(libc, nullptr);
  EXPECT_TRUE(libc->BaseName().starts_with("libc.so")) << libc->Name;
  ExpectModuleOfCode(*modules, qsortCode, libc->FileName);
  EXPECT_NE(libc->BuildId, first.BuildId);

  auto heap = std::make_unique<int>(1);
  EXPECT_EQ(modules->Holding(Address(heap.get())), nullptr);
  EXPECT_EQ(modules->Holding(0), nullptr);
  // Unchanged loader, the same list.
  EXPECT_EQ(LoadedModules(), modules);
}

TEST(LoadedModules, ALibraryIsListedWhileLoadedOnly) {
  TTemporaryFolder folder;
  const std::string file = (folder / "libloadedmodules.so").string();
  std::filesystem::copy_file(LOCATION_FIXTURE_PATH, file);
  const auto before = LoadedModules();
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  void* code = dlsym(handle, "FixtureExportedFunction");

  const auto loaded = LoadedModules();
  EXPECT_NE(loaded, before);
  EXPECT_EQ(before->Holding(Address(code)), nullptr);
  ExpectModuleOfCode(*loaded, code, file);
  EXPECT_EQ(loaded->Modules().size(), before->Modules().size() + 1);

  ASSERT_EQ(dlclose(handle), 0);
  const auto unloaded = LoadedModules();
  EXPECT_EQ(unloaded->Holding(Address(code)), nullptr);
  EXPECT_TRUE(std::none_of(unloaded->Modules().begin(), unloaded->Modules().end(),
                           [&](const TLoadedModule& m) { return m.FileName == file; }));
  // A list taken earlier stays as it was for whoever still holds it.
  EXPECT_NE(loaded->Holding(Address(code)), nullptr);
}

TEST(LoadedModules, ThreadsAskWhileLibrariesComeAndGo) {
  TTemporaryFolder folder;
  const std::string file = (folder / "libloadedmoduleschurn.so").string();
  std::filesystem::copy_file(LOCATION_FIXTURE_PATH, file);
  std::atomic<bool> done = false;
  std::atomic<int> wrongAnswers = 0;
  std::vector<std::thread> askers;
  for (int i = 0; i < 3; ++i)
    askers.emplace_back([&] {
      const uintptr_t own = Address(reinterpret_cast<void*>(&CodeOfTheTestProgram));
      while (!done) {
        const auto modules = LoadedModules();
        const TLoadedModule* module = modules->Holding(own);
        if (!module || !module->IsExecutable()) ++wrongAnswers;
      }
    });
  for (int round = 0; round < 50; ++round) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
    if (!handle) break;
    dlclose(handle);
  }
  done = true;
  for (std::thread& asker : askers) asker.join();
  EXPECT_EQ(wrongAnswers, 0);
}

}  // namespace

#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "FileUtils.h"
#include "JvAppXMLStorage.h"

using TXMLStoragePtr = TOwnedComponent<TJvAppXMLFileStorage>;

// A folder of its own per test and XML file storages on files in it, configured as the
// program configures its own.
class StorageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() /
           ("storagefile-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }
  std::string ReadFile(const std::string& name = "config.xml") const {
    return ReadFileContents(PathOf(name));
  }
  TXMLStoragePtr Open(const std::string& name = "config.xml") const {
    TXMLStoragePtr storage(new TJvAppXMLFileStorage(nullptr));
    storage->SetLocation(flCustom);
    storage->StorageOptions().SetWhiteSpaceReplacement("_");
    storage->StorageOptions().SetInvalidCharReplacement("_");
    storage->SetFileName(PathOf(name));
    return storage;
  }

  std::filesystem::path FDir;
};

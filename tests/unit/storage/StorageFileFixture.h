#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FileUtils.h"
#include "JvAppXMLStorage.h"
#include "TemporaryFolder.h"

using TXMLStoragePtr = TOwnedComponent<TJvAppXMLFileStorage>;

// A folder of its own per test and XML file storages on files in it, configured as the
// program configures its own.
class StorageFileTest : public ::testing::Test {
 protected:
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

  TTemporaryFolder FDir{"storagefile"};
};

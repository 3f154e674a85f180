#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ceflib.h"
#include "fake_runtime.h"

// Every test starts with a fresh fake runtime and an unloaded binding, and ends by shutting
// the binding down and checking that the program released everything the runtime handed out.
class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeRuntime::Reset(); }

  void TearDown() override {
    FinalizeRuntimeBinding();
    EXPECT_THAT(FakeRuntime::LeakReport(), ::testing::IsEmpty());
    FakeRuntime::Reset();
  }
};

// A loaded and started binding, for tests of what runs on top of it.
class LoadedBindingTest : public BindingTest {
 protected:
  void SetUp() override {
    BindingTest::SetUp();
    ASSERT_TRUE(EnsureRuntimeLoaded());
    FakeRuntime::ClearCalls();
  }
};

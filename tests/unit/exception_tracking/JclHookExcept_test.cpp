#include "JclHookExcept.h"

#include <gtest/gtest.h>

namespace {

void NoopNotifier(const TExceptObject*, void*, bool) {}

TEST(JclHookExcept, NullRoutineIsRefused) {
  EXPECT_FALSE(RegisterExceptNotifier(nullptr, npNormal));
  EXPECT_TRUE(RegisterExceptNotifier(NoopNotifier, npNormal));
}

}  // namespace

#include "ExceptionTrackingTestSupport.h"

#include "JclDebug.h"

#include <gtest/gtest.h>

namespace {

// The modules start once for the whole test program, as the program's entry starts them.
class TExceptionTrackingEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { StartJclDebug(); }
  void TearDown() override { EndJclDebug(); }
};

const auto* const Environment =
    ::testing::AddGlobalTestEnvironment(new TExceptionTrackingEnvironment);

}  // namespace

#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "GtkTestSupport.h"
#include "cefvcl.h"
#include "fake_browser.h"

// A display, a fresh fake runtime that is loaded and started, and browsers with entries. At
// the end every control is gone, the runtime is shut down and nothing handed out is leaked.
class ChromiumTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    FakeRuntime::Reset();
    FFakeBrowsers = std::make_unique<TFakeBrowsers>();
    ASSERT_TRUE(EnsureRuntimeLoaded());
    FakeRuntime::ClearCalls();
  }

  void TearDown() override {
    for (TChromium* control : FControls) control->Free();
    FinalizeRuntimeBinding();
    EXPECT_THAT(FakeRuntime::LeakReport(), ::testing::IsEmpty());
    FakeRuntime::Reset();
    FFakeBrowsers.reset();
    ApplicationTest::TearDown();
  }

  // A control freed at the end of the test unless the test frees it first (Release).
  TChromium& NewControl(int width = 300, int height = 200) {
    auto* control = new TChromium(nullptr);
    control->SetBounds(0, 0, width, height);
    FControls.push_back(control);
    return *control;
  }

  void Free(TChromium& control) {
    std::erase(FControls, &control);
    control.Free();
  }

  TFakeBrowsers& Fakes() { return *FFakeBrowsers; }

 private:
  std::unique_ptr<TFakeBrowsers> FFakeBrowsers;
  std::vector<TChromium*> FControls;
};

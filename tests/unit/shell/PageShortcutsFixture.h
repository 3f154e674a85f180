#pragma once

// The main window on the fake runtime, whose browser host keeps a zoom level, with its data
// folder in a temporary home; and keys as the runtime reports them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "GtkTestSupport.h"
#include "Main.h"
#include "TemporaryConfigHome.h"
#include "fake_browser.h"

inline TCefKeyEvent Key(int32_t modifiers, int32_t keyCode, char16_t character,
                        TCefKeyEventType type = KEYEVENT_RAWKEYDOWN) {
  TCefKeyEvent event{};
  event.type_ = type;
  event.modifiers = modifiers;
  event.windows_key_code = keyCode;
  event.character = character;
  return event;
}

inline constexpr int32_t Ctrl = EVENTFLAG_CONTROL_DOWN;
inline constexpr int32_t Shift = EVENTFLAG_SHIFT_DOWN;

inline double PercentOf(double level) {
  return std::round(100 * std::pow(1.2, level));
}

class PageShortcutsTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    FakeRuntime::Reset();
    FFakeBrowsers = std::make_unique<TFakeBrowsers>();
    StartProgram();
  }
  void TearDown() override {
    ApplicationTest::TearDown();
    FinalizeRuntimeBinding();
    FakeRuntime::Reset();
    FFakeBrowsers.reset();
  }

  void StartProgram() {
    Application->CreateForm(MainForm);
    ASSERT_NE(MainForm, nullptr);
    MainForm->Show();
    FFakeBrowsers->Log.clear();
    FakeRuntime::ClearCalls();
  }
  // Closes the window as the user would, then starts the program again over the same folder.
  void Restart() {
    MainForm->Close();
    EndWindowFramework();
    FinalizeRuntimeBinding();
    StartWindowFramework();
    Application->Initialize();
    StartProgram();
  }

  // A key the page left alone.
  bool Press(const TCefKeyEvent& event) {
    return MainForm->Chromium->DispatchKeyEvent(MainForm->Chromium->Browser(), &event, nullptr);
  }
  double ZoomPercent() const { return PercentOf(FFakeBrowsers->Browsers().back().ZoomLevel); }

  TTemporaryConfigHome FHome;
  std::unique_ptr<TFakeBrowsers> FFakeBrowsers;
};

#include "PageShortcuts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "PageShortcutsFixture.h"

namespace {

using testing::ElementsAre;

TEST(PageCommandOfTest, CtrlWithTheLettersOrTheZoomCharactersOfEitherKeyboardPart) {
  constexpr int32_t Alt = EVENTFLAG_ALT_DOWN;
  const std::tuple<TCefKeyEvent, TPageCommand> cases[] = {
      {Key(Ctrl, 'F', u'f'), pcFind},
      {Key(Ctrl, 'P', u'p'), pcPrint},
      {Key(Ctrl | EVENTFLAG_CAPS_LOCK_DOWN, 'F', u'F'), pcFind},
      // plus needs Shift on a US keyboard; equal is the same key; the keypad's have no code.
      {Key(Ctrl | Shift, 0, u'+'), pcZoomIn},
      {Key(Ctrl, 0, u'='), pcZoomIn},
      {Key(Ctrl, 0, u'-'), pcZoomOut},
      {Key(Ctrl, '0', u'0'), pcZoomReset},
      {Key(Ctrl, 0, u'0'), pcZoomReset},
      // Reload and history; the Back, Forward and Reload keys have codes of their own.
      {Key(0, 0x74, 0), pcReload},
      {Key(Ctrl, 0x74, 0), pcReload},
      {Key(Ctrl, 'R', u'r'), pcReload},
      {Key(0, 0xA8, 0), pcReload},
      // Not ours.
      {Key(0, 0x08, 0), pcNone},    // Backspace is the page's
      {Key(0, 0x25, 0), pcNone},    // a plain arrow moves in the page
      {Key(Alt, 0x25, 0), pcNone},  // history keys are taken before the page, see below
      {Key(0, 0xA6, 0), pcNone},
      {Key(Alt, 0x74, 0), pcNone},
      {Key(Ctrl | Shift, 'R', u'R'), pcNone},
      {Key(0, 0x74, 0, KEYEVENT_KEYUP), pcNone},
      {Key(0, 'F', u'f'), pcNone},
      {Key(Ctrl | Shift, 'F', u'F'), pcNone},
      {Key(Ctrl | EVENTFLAG_ALT_DOWN, 'P', u'p'), pcNone},
      {Key(Ctrl | EVENTFLAG_COMMAND_DOWN, 0, u'+'), pcNone},
      {Key(Ctrl, 'F', u'f', KEYEVENT_KEYUP), pcNone},
      {Key(Ctrl, 'G', u'g'), pcNone},
      {Key(Ctrl | Shift, 0, u'_'), pcNone},
  };
  for (const auto& [event, command] : cases)
    EXPECT_EQ(PageCommandOf(event), command)
        << "modifiers " << event.modifiers << " code " << event.windows_key_code << " char "
        << int(event.character);
}

TEST(PageCommandOfTest, OnlyTheHistoryKeysAreTakenBeforeThePage) {
  constexpr int32_t Alt = EVENTFLAG_ALT_DOWN;
  const std::tuple<TCefKeyEvent, TPageCommand> cases[] = {
      {Key(Alt, 0x25, 0), pcBack},
      {Key(Alt, 0x27, 0), pcForward},
      {Key(0, 0xA6, 0), pcBack},
      {Key(0, 0xA7, 0), pcForward},
      {Key(Ctrl, 0xA6, 0), pcNone},
      {Key(Alt | EVENTFLAG_CAPS_LOCK_DOWN, 0x25, 0), pcBack},
      {Key(0, 0x25, 0), pcNone},  // the page's arrows
      {Key(Alt | Shift, 0x25, 0), pcNone},
      {Key(Ctrl | Alt, 0x27, 0), pcNone},
      {Key(Alt, 0x25, 0, KEYEVENT_KEYUP), pcNone},
      {Key(0, 0x74, 0), pcNone},  // F5 waits for the page
      {Key(Ctrl, 'F', u'f'), pcNone},
  };
  for (const auto& [event, command] : cases)
    EXPECT_EQ(PageCommandBeforePageOf(event), command)
        << "modifiers " << event.modifiers << " code " << event.windows_key_code;
}

TEST_F(PageShortcutsTest, CtrlFOpensTheBarAndTypingSearchesAndShowsTheLatestCount) {
  TFindBar& bar = *MainForm->FindBar;
  EXPECT_FALSE(bar.Visible());
  EXPECT_TRUE(Press(Key(Ctrl, 'F', u'f')));
  EXPECT_TRUE(bar.Visible());

  bar.SetText("Kes");
  bar.SetText("Kestrel");
  EXPECT_EQ(FakeRuntime::LastFind().Text, u"Kestrel");
  EXPECT_TRUE(FakeRuntime::LastFind().Forward);
  EXPECT_EQ(FakeRuntime::LastExtensionHost(), "host");
  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(9));  // for "Kes": outdated
  EXPECT_EQ(bar.Status(), "");
  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(3));
  EXPECT_EQ(bar.Status(), "3 matches");

  bar.Step(true);
  EXPECT_FALSE(FakeRuntime::LastFind().Forward);
  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(1));
  EXPECT_EQ(bar.Status(), "1 match");
  bar.Step(false);
  EXPECT_TRUE(FakeRuntime::LastFind().Forward);

  bar.SetText("");
  EXPECT_EQ(FakeRuntime::CallCount("corvane_stop_finding"), 1) << "no highlighting left";
  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(0));
  EXPECT_EQ(bar.Status(), "");
}

TEST_F(PageShortcutsTest, EscapeEndsTheSearchHidesTheBarAndIgnoresALateAnswer) {
  TFindBar& bar = *MainForm->FindBar;
  ASSERT_TRUE(Press(Key(Ctrl, 'F', u'f')));
  bar.SetText("Kestrel");
  const int contentHeight = MainForm->Chromium->Height();
  bar.Cancel();
  EXPECT_FALSE(bar.Visible());
  EXPECT_GT(MainForm->Chromium->Height(), contentHeight) << "the page gets the room back";
  EXPECT_EQ(FakeRuntime::CallCount("corvane_stop_finding"), 1);
  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(3));
  EXPECT_EQ(bar.Status(), "");

  // Opened again, it searches again for the text it kept; asked while open, it does not.
  FakeRuntime::ClearCalls();
  ASSERT_TRUE(Press(Key(Ctrl, 'F', u'f')));
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("corvane_find"));
  ASSERT_TRUE(FakeRuntime::AnswerOldestFind(3));
  EXPECT_EQ(bar.Status(), "3 matches");
  ASSERT_TRUE(Press(Key(Ctrl, 'F', u'f')));
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("corvane_find"));
}

TEST_F(PageShortcutsTest, CtrlPPrintsAndKeysThePageHandledOrReleasedAreLeftAlone) {
  EXPECT_TRUE(Press(Key(Ctrl, 'P', u'p')));
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("corvane_print"));
  EXPECT_EQ(FakeRuntime::LastExtensionHost(), "host");

  FakeRuntime::ClearCalls();
  EXPECT_FALSE(Press(Key(Ctrl, 'P', u'p', KEYEVENT_KEYUP)));
  EXPECT_FALSE(Press(Key(0, 'P', u'p')));
  // Before the page, the keys are the page's.
  bool shortcut = false;
  const TCefKeyEvent find = Key(Ctrl, 'F', u'f');
  EXPECT_FALSE(MainForm->Chromium->DispatchPreKeyEvent(MainForm->Chromium->Browser(), &find,
                                                       nullptr, shortcut));
  EXPECT_FALSE(MainForm->FindBar->Visible());
  EXPECT_THAT(FakeRuntime::Calls(), testing::IsEmpty());
}

TEST_F(PageShortcutsTest, ZoomKeysAndCtrlWheelStepTheZoomWhichTheNextStartRestores) {
  EXPECT_TRUE(Press(Key(Ctrl | Shift, 0, u'+')));
  EXPECT_TRUE(Press(Key(Ctrl, 0, u'=')));
  EXPECT_EQ(ZoomPercent(), 125);
  EXPECT_TRUE(Press(Key(Ctrl, 0, u'-')));
  EXPECT_EQ(ZoomPercent(), 110);
  bool handled = false;
  MainForm->Chromium->OnMouseWheel(MainForm->Chromium, Ctrl, 2, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(ZoomPercent(), 150);
  handled = false;
  MainForm->Chromium->OnMouseWheel(MainForm->Chromium, 0, -1, handled);
  EXPECT_FALSE(handled) << "a plain wheel scrolls";
  EXPECT_EQ(ZoomPercent(), 150);

  Restart();
  EXPECT_EQ(ZoomPercent(), 150);
  EXPECT_TRUE(Press(Key(Ctrl, '0', u'0')));
  EXPECT_EQ(ZoomPercent(), 100);
  Restart();
  EXPECT_EQ(ZoomPercent(), 100);
}

TEST_F(PageShortcutsTest, AStoredLevelOutsideTheStepsIsBroughtInsideThem) {
  MainForm->aFormStorage->WriteFloat("ZoomLevel", 1e300);
  Restart();
  EXPECT_EQ(ZoomPercent(), 300);
  EXPECT_TRUE(Press(Key(Ctrl, 0, u'+')));
  EXPECT_EQ(ZoomPercent(), 300);
}

}  // namespace

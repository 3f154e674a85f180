#include "WindowPlacement.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <algorithm>

#include "GtkTestSupport.h"
#include "Monitors.h"

namespace {

class TPlainForm : public TForm {
 public:
  using TForm::TForm;
};

class WindowPlacementTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    Form = new TPlainForm(Application);
    Form->SetBounds(20, 30, 300, 200);
  }
  // Waits until the window manager side (the X server here) reports the bounds.
  bool NormalBoundsBecome(const TRect& expected) {
    return RunLoopUntil([&] { return Form->NormalBounds() == expected; });
  }

  TRect WindowGeometry() const {
    int left, top, width, height;
    gtk_window_get_position(GTK_WINDOW(Form->Handle()), &left, &top);
    gtk_window_get_size(GTK_WINDOW(Form->Handle()), &width, &height);
    return {left, top, left + width, top + height};
  }

  TPlainForm* Form = nullptr;
};

TEST_F(WindowPlacementTest, PlacementAppliedToAShownWindowReadsBackTheSame) {
  Form->Show();
  ASSERT_TRUE(NormalBoundsBecome({20, 30, 320, 230}));

  TWindowPlacement placement = GetWindowPlacement(*Form);
  EXPECT_EQ(placement.ShowCmd, swShowNormal);
  placement.NormalPosition = {150, 120, 550, 420};
  placement.Flags = wpfSetMinPosition;
  placement.MinPosition = {5, 6};
  SetWindowPlacement(*Form, placement);
  ASSERT_TRUE(RunLoopUntil([&] {
    return WindowGeometry() == TRect{150, 120, 550, 420};
  })) << "the window itself moves and resizes";
  RunLoopFor(20);

  const TWindowPlacement back = GetWindowPlacement(*Form);
  EXPECT_EQ(back.NormalPosition, (TRect{150, 120, 550, 420}));
  EXPECT_EQ(back.Flags, wpfSetMinPosition);
  EXPECT_EQ(back.MinPosition, (TPoint{5, 6}));
}

TEST_F(WindowPlacementTest, MovesAndResizesFromOutsideAreTheNewNormalBounds) {
  Form->Show();
  ASSERT_TRUE(NormalBoundsBecome({20, 30, 320, 230}));
  // What a window manager or a user does to the window, bypassing the form.
  gdk_window_move_resize(gtk_widget_get_window(Form->Handle()), 200, 100, 400, 250);
  ASSERT_TRUE(NormalBoundsBecome({200, 100, 600, 350}));
  EXPECT_EQ(Form->Left(), 200);
  EXPECT_EQ(Form->Top(), 100);
}

TEST_F(WindowPlacementTest, StateOfAHiddenWindowIsKeptUntilItIsShown) {
  TWindowPlacement placement = GetWindowPlacement(*Form);
  placement.ShowCmd = swShowMaximized;
  SetWindowPlacement(*Form, placement);
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_FALSE(Form->Visible()) << "a placement never shows the window";
  EXPECT_EQ(GetWindowPlacement(*Form).ShowCmd, swShowMaximized);

  placement.ShowCmd = swHide;
  placement.NormalPosition = {60, 70, 360, 270};
  SetWindowPlacement(*Form, placement);
  EXPECT_EQ(Form->WindowState(), wsMaximized) << "swHide leaves the state alone";
  EXPECT_EQ(Form->NormalBounds(), (TRect{60, 70, 360, 270}));
}

TEST_F(WindowPlacementTest, PostedMinimizeWaitsForTheLoopAndIsDroppedWithTheForm) {
  Form->Show();
  PostMinimize(*Form);
  EXPECT_EQ(Form->WindowState(), wsNormal);
  ASSERT_TRUE(RunLoopUntil([&] { return Form->WindowState() == wsMinimized; }));

  auto* doomed = new TPlainForm(Application);
  PostMinimize(*doomed);
  doomed->Free();
  RunLoopFor(20);  // the pending minimize must not reach the freed form (sanitizer builds)
}

TEST(MonitorsTest, TheVirtualDesktopCoversEveryMonitorAndNothingOutsideIsOnOne) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "these tests need a display (xvfb-run)";
  const std::vector<TRect> monitors = MonitorRects();
  ASSERT_FALSE(monitors.empty());
  const TRect desktop = VirtualDesktopRect();
  for (const TRect& monitor : monitors) {
    EXPECT_LE(desktop.Left, monitor.Left);
    EXPECT_GE(desktop.Right, monitor.Right);
    EXPECT_TRUE(PointOnMonitor({monitor.Left, monitor.Top}));
    EXPECT_TRUE(PointOnMonitor({monitor.Right - 1, monitor.Bottom - 1}));
  }
  EXPECT_FALSE(PointOnMonitor({desktop.Right, desktop.Top}));
  EXPECT_FALSE(PointOnMonitor({desktop.Left - 1, desktop.Top}));
  EXPECT_NE(std::find(monitors.begin(), monitors.end(), PrimaryMonitorRect()), monitors.end());
  EXPECT_GT(ScreenPixelsPerInch(), 0);
}

}  // namespace

#include "ClientArea.h"

#include <gtest/gtest.h>

#include "GtkTestSupport.h"

namespace {

GtkAllocation AllocationOf(GtkWidget* widget) {
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  return allocation;
}

using ClientAreaTest = ApplicationTest;  // needs only the display

}  // namespace

TEST_F(ClientAreaTest, AForeignChildFillsTheAreaUntilPlacedAndTheAreaAsksForNoSize) {
  GtkWidget* window = gtk_offscreen_window_new();
  GtkWidget* area = ClientAreaNew();
  gtk_container_add(GTK_CONTAINER(window), area);
  int lastLayoutWidth = 0;
  ClientAreaSetLayoutHandler(area, [&](int width, int) { lastLayoutWidth = width; });
  GtkWidget* view = gtk_drawing_area_new();  // stands in for an embedded view
  gtk_widget_set_size_request(view, 500, 500);
  gtk_container_add(GTK_CONTAINER(area), view);
  gtk_widget_set_size_request(area, 300, 200);
  gtk_widget_show_all(window);

  int minimumWidth = -1, minimumHeight = -1;
  gtk_widget_get_preferred_width(area, &minimumWidth, nullptr);
  gtk_widget_get_preferred_height(area, &minimumHeight, nullptr);
  EXPECT_EQ(minimumWidth, 300) << "only the size request, never the children's";
  EXPECT_EQ(minimumHeight, 200);

  ASSERT_TRUE(RunLoopUntil([&] { return AllocationOf(view).width == 300; }));
  EXPECT_EQ(AllocationOf(view).height, 200);
  EXPECT_EQ(lastLayoutWidth, 300);

  ClientAreaPlace(area, view, {10, 20, 110, 70});
  ASSERT_TRUE(RunLoopUntil([&] { return AllocationOf(view).width == 100; }));
  const GtkAllocation placed = AllocationOf(view);
  EXPECT_EQ(placed.x, 10);
  EXPECT_EQ(placed.y, 20);
  EXPECT_EQ(placed.height, 50);
  gtk_widget_destroy(window);
}

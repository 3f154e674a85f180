#include "PageZoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

double PercentOf(double level) {
  return 100 * std::pow(1.2, level);
}

double LevelOf(double percent) {
  return std::log(percent / 100) / std::log(1.2);
}

TEST(PageZoomTest, StepsGoThroughTheTableAndStopAtItsEnds) {
  double level = kDefaultZoomLevel;
  for (double percent : {110, 125, 150, 175, 200, 250, 300, 300}) {
    level = ZoomLevelIn(level);
    EXPECT_NEAR(PercentOf(level), percent, 1e-9);
  }
  level = kDefaultZoomLevel;
  for (double percent : {90, 80, 67, 50, 30, 30}) {
    level = ZoomLevelOut(level);
    EXPECT_NEAR(PercentOf(level), percent, 1e-9);
  }
}

TEST(PageZoomTest, ALevelBetweenStepsOrSlightlyOffOneGoesToTheNeighbouringStep) {
  EXPECT_NEAR(PercentOf(ZoomLevelIn(LevelOf(115))), 125, 1e-9);
  EXPECT_NEAR(PercentOf(ZoomLevelOut(LevelOf(115))), 110, 1e-9);
  // The runtime's own steps of 20% lie between the table's.
  EXPECT_NEAR(PercentOf(ZoomLevelIn(1)), 125, 1e-9);
  // A level that came back from text a hair under its step is still that step.
  EXPECT_NEAR(PercentOf(ZoomLevelIn(LevelOf(125) - 1e-12)), 150, 1e-9);
  EXPECT_NEAR(PercentOf(ZoomLevelOut(LevelOf(125) + 1e-12)), 110, 1e-9);
}

TEST(PageZoomTest, AStoredLevelIsKeptInsideTheTableAndNoNumberMeansTheDefault) {
  EXPECT_DOUBLE_EQ(RestorableZoomLevel(LevelOf(125)), LevelOf(125));
  EXPECT_NEAR(PercentOf(RestorableZoomLevel(1e300)), 300, 1e-9);
  EXPECT_NEAR(PercentOf(RestorableZoomLevel(-50)), 30, 1e-9);
  EXPECT_EQ(RestorableZoomLevel(std::numeric_limits<double>::quiet_NaN()), kDefaultZoomLevel);
  EXPECT_EQ(RestorableZoomLevel(-std::numeric_limits<double>::infinity()), kDefaultZoomLevel);
  EXPECT_NEAR(PercentOf(ZoomLevelIn(std::numeric_limits<double>::quiet_NaN())), 110, 1e-9);
}

}  // namespace

#include "PageZoom.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double kLevelBase = 1.2;
constexpr double kPercentSteps[] = {30, 50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
// Levels that round-trip through text or the runtime come back a little off.
constexpr double kSameStep = 1e-6;

double PercentOf(double level) {
  return 100 * std::pow(kLevelBase, level);
}

double LevelOf(double percent) {
  return std::log(percent / 100) / std::log(kLevelBase);
}

}  // namespace

double ZoomLevelIn(double level) {
  const double percent = PercentOf(RestorableZoomLevel(level));
  for (double step : kPercentSteps)
    if (step > percent * (1 + kSameStep)) return LevelOf(step);
  return LevelOf(std::end(kPercentSteps)[-1]);
}

double ZoomLevelOut(double level) {
  const double percent = PercentOf(RestorableZoomLevel(level));
  for (auto step = std::rbegin(kPercentSteps); step != std::rend(kPercentSteps); ++step)
    if (*step < percent * (1 - kSameStep)) return LevelOf(*step);
  return LevelOf(kPercentSteps[0]);
}

double RestorableZoomLevel(double stored) {
  if (!std::isfinite(stored)) return kDefaultZoomLevel;
  return std::clamp(stored, LevelOf(kPercentSteps[0]), LevelOf(std::end(kPercentSteps)[-1]));
}

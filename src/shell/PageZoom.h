#pragma once

// Page zoom levels as the runtime counts them: the page is scaled by 1.2 to the power of the
// level, so level 0 is 100%. The steps follow a table of percentages from 30% to 300%.

constexpr double kDefaultZoomLevel = 0;

// The level of the next larger or smaller step; the end of the table stays where it is.
double ZoomLevelIn(double level);
double ZoomLevelOut(double level);

// A stored level made safe to apply: inside the table's range, and the default for a value
// that is no number.
double RestorableZoomLevel(double stored);

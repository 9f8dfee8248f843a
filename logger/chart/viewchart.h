// The graphical viewer's chart: its look, and the whole buffer loaded into it as the viewer
// shows it. The desktop program's viewer and dmmlog plot draw the same chart.
#pragma once

#include <cstddef>

#include "logger/data/logrecord.h"
#include "logger/data/viewreduction.h"

namespace dmm {

class PEGraph;

// Points of the chart while the viewer is hidden.
constexpr int kHiddenViewPoints = 100;

// Titles, colours, scales, cursor and zooming of the viewer's chart.
void SetUpViewChart(PEGraph& chart);

// Loads the points of view (every record, or the records of the reduced view) with the Y
// limits yMin..yMax, redraws the full view and puts the cursor on point 0.
void LoadViewChart(PEGraph& chart, const LogRecord* records, const ViewPoints& view, float yMin,
                   float yMax);

// Back to kHiddenViewPoints points from the first records (as many as there are; the rest
// empty) with the Y limits -100..100.
void LoadHiddenViewChart(PEGraph& chart, const LogRecord* records, std::size_t count);

}  // namespace dmm

// The phase diagram of a run, built from its results and the system's
// experimental points; the special point search runs with it and leaves the
// nodes and the other special points in the run's results.
#pragma once

#include <string_view>

#include "calc/run.h"
#include "results/chart_model.h"
#include "results/phase_diagram.h"
#include "thermo/data_module.h"

namespace binodal {

// Opens the experimental points table if it is closed and reads the current
// system's points. Only the rows the run computed are searched: after a stop
// the matrix may hold a row that was never filled.
ChartModel BuildRunDiagram(TRun& run, TDM& dm, std::string_view foot_text = kDefaultFootText);

}  // namespace binodal

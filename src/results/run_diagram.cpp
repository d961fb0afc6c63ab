#include "results/run_diagram.h"

#include <algorithm>

namespace binodal {

ChartModel BuildRunDiagram(TRun& run, TDM& dm, std::string_view foot_text) {
  PhaseDiagramInput input;
  input.BoundaryPoints = run.Results.BoundaryPoints;
  input.BoundaryLast = run.Results.BoundaryLast;
  input.Matrix = &run.Results.PhaseMatrix;
  // A run stopped after its first row leaves an unfilled row in the matrix;
  // compared with it, the computed row would show nodes that are not there.
  TPhaseMatrix computed_rows;
  if (run.Results.PhaseMatrix.sg2RowCount() > run.RowsComputed() + 1) {
    computed_rows = run.Results.PhaseMatrix;
    computed_rows.SetRowCount(std::max(0, run.RowsComputed() + 1));
    input.Matrix = &computed_rows;
  }
  input.YItemIndex = run.YItem;
  input.YItemText = run.YItemText();
  input.XCaption = run.XCaption;
  input.YCaption = run.YCaption;
  input.FootText = std::string(foot_text);
  input.Separators = run.Separators();
  TStoreTable& points = dm.tblExperiment;
  if (!points.Active()) points.Open();
  for (points.First(); !points.Eof(); points.Next()) {
    input.ExperimentalPoints.push_back(
        {points.FieldByName("X_value").AsFloat(), points.FieldByName("Y_value").AsFloat()});
  }
  SpecialPointResult search;
  ChartModel diagram = BuildPhaseDiagram(input, &search);
  run.Results.NodeList = std::move(search.NodeList);
  run.Results.OtherSpecialPoints = std::move(search.OtherSpecialPoints);
  return diagram;
}

}  // namespace binodal

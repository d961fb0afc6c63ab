#include "results/run_diagram.h"

namespace binodal {

ChartModel BuildRunDiagram(TRun& run, TDM& dm, std::string_view foot_text) {
  PhaseDiagramInput input;
  input.BoundaryPoints = run.Results.BoundaryPoints;
  input.BoundaryLast = run.Results.BoundaryLast;
  input.Matrix = &run.Results.PhaseMatrix;
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

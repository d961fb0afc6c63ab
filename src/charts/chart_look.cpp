#include "charts/chart_look.h"

namespace binodal::charts {

ChartLook PhaseDiagramLook() {
  ChartLook look;
  look.XTickInterval = 0.1;
  look.XMinorTicks = 9;
  look.YMinorTicks = 4;
  return look;
}

ChartLook WorkingDiagramLook() {
  ChartLook look;
  look.ShowLegend = true;
  look.TitleItalic = true;
  look.FootPixelSize = 12;
  return look;
}

}  // namespace binodal::charts

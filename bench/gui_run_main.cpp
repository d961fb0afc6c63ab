// gui_run: the desktop program's run with the working and mosaic diagrams
// shown (and the diagram window at its end), against the same run without
// windows (diagram built, not drawn), on the bundled Ag+Cu system.
// The windows are drawn off screen (QT_QPA_PLATFORM=offscreen unless set), the
// events are processed after every row as in the program. Prints CPU and
// wall time of both, their ratio, and the longest time between two passes of
// event processing (how long the program may not answer a click).
//
//   gui_run [N M]      (default 1000 x 1000)
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/main_window.h"
#include "charts/gui_application.h"
#include "example_database.h"
#include "results/run_diagram.h"

namespace {

using namespace binodal;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Processes the window system's events like the program's dialogs do and
// notes the longest pause between two passes.
class TimedDialogs : public bench::QuietDialogs {
 public:
  void ProcessPendingEvents() override {
    QApplication::processEvents();
    const Clock::time_point now = Clock::now();
    if (started_) longest = std::max(longest, std::chrono::duration<double>(now - last_).count());
    started_ = true;
    last_ = now;
  }
  double longest = 0;

 private:
  bool started_ = false;
  Clock::time_point last_;
};

struct Timing {
  double cpu = 0;
  double wall = 0;
};

template <typename Work>
Timing Measure(Work&& work) {
  const double cpu = CpuSeconds();
  const Clock::time_point wall = Clock::now();
  work();
  return {CpuSeconds() - cpu, std::chrono::duration<double>(Clock::now() - wall).count()};
}

void SetGrid(TDM& dm, int n, int m, bool windows) {
  dm.tblSystems.Locate("System_designation", "Ag+Cu");
  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("Xpoints").SetAsInteger(n);
  dm.tblSystems.FieldByName("Ypoints").SetAsInteger(m);
  dm.tblSystems.FieldByName("ShowChart").SetAsBoolean(windows);
  dm.tblSystems.FieldByName("ShowMosaicDiagram").SetAsBoolean(windows);
  dm.tblSystems.Post();
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc == 3 ? std::atoi(argv[1]) : 1000;
  const int m = argc == 3 ? std::atoi(argv[2]) : 1000;
  charts::EnsureGuiApplication();
  const std::string folder = bench::Database().folder;

  Timing headless;
  {
    bench::QuietDialogs dialogs;
    TDM dm(dialogs);
    dm.Start(folder);
    SetGrid(dm, n, m, false);
    TRun run(dm, dialogs);
    run.OnBuildDiagram = [&](TRun& r) { (void)BuildRunDiagram(r, dm); };
    headless = Measure([&] { run.Run(); });
  }

  TimedDialogs dialogs;
  app::TfmMain window(dialogs);
  window.OutputFolder = folder;
  if (!window.StartDatabase(folder)) return 1;
  for (TStoreTable* table : window.DM().Tables()) table->SetReadOnly(false);
  SetGrid(window.DM(), n, m, true);
  window.show();
  QApplication::processEvents();
  const Timing shown = Measure([&] { window.sbRunClick(); });

  std::printf("Ag+Cu %dx%d   cpu_s   wall_s\n", n, m);
  std::printf("headless      %6.3f  %6.3f\n", headless.cpu, headless.wall);
  std::printf("with windows  %6.3f  %6.3f\n", shown.cpu, shown.wall);
  std::printf("ratio         %6.2f  %6.2f\n", shown.cpu / headless.cpu, shown.wall / headless.wall);
  std::printf("longest time between event passes: %.1f ms\n", dialogs.longest * 1e3);
  return 0;
}

#include "calc/listing.h"

#include "calc/setting_lines.h"
#include "thermo/phase_functions.h"

namespace binodal {

PhaseListing WritePhaseListing(TDM& dm, Dialogs& dialogs, const std::string& folder) {
  dm.PostAll();
  const SettingLines lines =
      ReadSettingLines(dm.tblSystems.FieldByName("Abbreviations").AsString(), dialogs);
  TPhaseFunctions phases(dm, dialogs);
  phases.RunXmin = lines.Xmin;
  phases.RunXmax = lines.Xmax;
  phases.ListingFolder = folder;

  struct RunModeAgain {
    TDM& dm;
    ~RunModeAgain() { dm.RunMode = true; }
  } run_mode_again{dm};
  dm.RunMode = false;
  PhaseListing listing;
  listing.complete = phases.BuildPhaseFunctions();
  listing.file_name = phases.ListingFileName();
  return listing;
}

}  // namespace binodal

// The setting lines of a system's designations list: "#XCAP=", "#YCAP=",
// "#XMIN=", "#XMAX=", "P=" and "T=". Every other line of the list is part of
// the designations catalogue and is skipped.
#pragma once

#include <string>
#include <string_view>

#include "common/dialogs.h"

namespace binodal {

struct SettingLines {
  double Xmin = 0;       // "#XMIN="
  double Xmax = 1;       // "#XMAX="
  double P = 1;          // "P="
  double T = 300;        // "T="
  std::string XCaption;  // "#XCAP=": everything after the key, blanks kept
  std::string YCaption;  // "#YCAP="
};

// Reads the setting lines of `designations`. Keys ignore letter case and the
// blanks before "="; "%" starts a comment. A malformed number is reported
// through `dialogs` ("Invalid number: ...") and read as ParseNumber reads it;
// a key without a value keeps the default.
[[nodiscard]] SettingLines ReadSettingLines(std::string_view designations, Dialogs& dialogs);

}  // namespace binodal

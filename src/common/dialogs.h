// The messages that deep code shows the user.
//
// The core never talks to a window. Where a calculation or a database command
// must tell the user something, or ask, it goes through this interface: the
// desktop program shows modal message boxes, the command line writes to
// stderr, tests record what was said.
#pragma once

#include <string_view>

namespace binodal {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual void Error(std::string_view text) = 0;        // error box, OK button
  virtual void Warning(std::string_view text) = 0;      // warning box, OK button
  virtual void Information(std::string_view text) = 0;  // information box, OK button
  virtual void Message(std::string_view text) = 0;      // plain message box, OK button
  // A Yes/No question; true for Yes.
  virtual bool Confirm(std::string_view text) = 0;
  // Lets the user interface handle what is pending (repaint, a Stop request).
  virtual void ProcessPendingEvents() {}
};

}  // namespace binodal

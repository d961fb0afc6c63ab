// Dialogs of the command line: every message goes to stderr, one a line, and
// questions are answered No (the command line never waits for input).
#pragma once

#include <ostream>
#include <string>

#include "common/dialogs.h"

namespace binodal::cli {

class StderrDialogs : public Dialogs {
 public:
  explicit StderrDialogs(std::ostream& err) : err_(err) {}
  void Error(std::string_view text) override { Write("error: ", text); }
  void Warning(std::string_view text) override { Write("warning: ", text); }
  void Information(std::string_view text) override { Write("", text); }
  void Message(std::string_view text) override { Write("", text); }
  bool Confirm(std::string_view text) override {
    Write("", std::string(text) + " [answered No]");
    return false;
  }
  int errors = 0;

 private:
  void Write(std::string_view prefix, std::string_view text) {
    if (prefix == "error: ") ++errors;
    err_ << prefix << text << '\n';
  }
  std::ostream& err_;
};

}  // namespace binodal::cli

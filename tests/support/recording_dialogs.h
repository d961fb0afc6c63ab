// A Dialogs implementation for tests: records every message in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/dialogs.h"

namespace binodal::testing_support {

class RecordingDialogs : public Dialogs {
 public:
  struct Entry {
    std::string kind;  // "error", "warning", "information", "message", "confirm"
    std::string text;
    bool operator==(const Entry&) const = default;
  };

  void Error(std::string_view text) override { Add("error", text); }
  void Warning(std::string_view text) override { Add("warning", text); }
  void Information(std::string_view text) override { Add("information", text); }
  void Message(std::string_view text) override { Add("message", text); }
  bool Confirm(std::string_view text) override {
    Add("confirm", text);
    return confirm_answer;
  }
  void ProcessPendingEvents() override { ++pending_events_processed; }

  std::vector<Entry> entries;
  bool confirm_answer = true;
  int pending_events_processed = 0;

 private:
  void Add(const char* kind, std::string_view text) {
    entries.push_back({kind, std::string(text)});
  }
};

// Dialogs whose event processing can act like a user clicking during a run:
// DuringRun gets the number of passes so far.
class UserDialogs : public RecordingDialogs {
 public:
  void ProcessPendingEvents() override {
    RecordingDialogs::ProcessPendingEvents();
    if (DuringRun) DuringRun(pending_events_processed);
  }
  std::function<void(int)> DuringRun;
};

}  // namespace binodal::testing_support

// The desktop program's Dialogs: modal message boxes over the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "common/dialogs.h"

namespace binodal::app {

class MessageDialogs : public Dialogs {
 public:
  // `parent` (observed, may go away first) centres the boxes; none: the screen.
  explicit MessageDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Error(std::string_view text) override;
  void Warning(std::string_view text) override;
  void Information(std::string_view text) override;
  void Message(std::string_view text) override;
  bool Confirm(std::string_view text) override;
  void ProcessPendingEvents() override;

 private:
  QPointer<QWidget> parent_;
};

// Runs `action`, showing a core error through `dialogs` instead of letting it
// leave (a Qt slot must not throw). EAbort is silent: its handler has said
// what there was to say. Returns true when `action` ended normally.
template <typename Action>
bool Guarded(Dialogs& dialogs, Action&& action);

// Guarded, for a core function that shows its own error before it throws a
// std::runtime_error: only the store's errors, which it leaves to its
// caller, are shown here.
template <typename Action>
bool ShownByCore(Dialogs& dialogs, Action&& action);

}  // namespace binodal::app

#include "app/guarded_impl.h"

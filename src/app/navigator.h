// A row of buttons that moves through a table and edits it, as under each
// grid of the main window.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>

#include <QToolButton>
#include <QWidget>

#include "app/table_signals.h"
#include "common/dialogs.h"

namespace binodal::app {

enum class NavButton { kFirst, kPrior, kNext, kLast, kInsert, kDelete, kPost, kCancel };

class Navigator : public QWidget {
  Q_OBJECT

 public:
  // `events` and `dialogs` must outlive the navigator.
  Navigator(TableSignals& events, std::initializer_list<NavButton> buttons, Dialogs& dialogs,
            QWidget* parent = nullptr);

  // Runs before every button's action, e.g. to write what bound widgets hold.
  std::function<void()> BeforeAction;

  // Performs what the button does; store refusals are shown. Delete asks
  // "Delete record?" first.
  void Press(NavButton button);
  [[nodiscard]] QToolButton* Button(NavButton button) const;

  // Enables the buttons that make sense in the table's present state.
  void UpdateButtons();

 private:
  TStoreTable& table_;
  Dialogs& dialogs_;
  std::map<NavButton, QToolButton*> buttons_;
};

}  // namespace binodal::app

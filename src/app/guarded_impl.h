// Template body of Guarded (app/message_dialogs.h).
#pragma once

#include <exception>
#include <utility>

#include "store/store_table.h"

namespace binodal::app {

template <typename Action>
bool Guarded(Dialogs& dialogs, Action&& action) {
  try {
    std::forward<Action>(action)();
    return true;
  } catch (const EAbort&) {
    return false;
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    return false;
  }
}

}  // namespace binodal::app

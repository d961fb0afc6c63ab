// Template body of Guarded (app/message_dialogs.h).
#pragma once

#include <exception>
#include <stdexcept>
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

template <typename Action>
bool ShownByCore(Dialogs& dialogs, Action&& action) {
  bool completed = false;
  Guarded(dialogs, [&] {
    try {
      std::forward<Action>(action)();
      completed = true;
    } catch (const EStoreError&) {
      throw;
    } catch (const std::runtime_error&) {
      // shown already
    }
  });
  return completed;
}

}  // namespace binodal::app

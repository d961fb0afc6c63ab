#include "app/table_signals.h"

namespace binodal::app {

TableSignals::TableSignals(TStoreTable& table, QObject* parent)
    : QObject(parent),
      table_(table),
      previous_data_changed_(table.OnDataChanged),
      previous_after_scroll_(table.AfterScroll) {
  table_.OnDataChanged = [this](TStoreTable& t) {
    if (previous_data_changed_) previous_data_changed_(t);
    emit DataChanged();
  };
  table_.AfterScroll = [this](TStoreTable& t) {
    if (previous_after_scroll_) previous_after_scroll_(t);
    emit Scrolled();
  };
}

TableSignals::~TableSignals() {
  table_.OnDataChanged = previous_data_changed_;
  table_.AfterScroll = previous_after_scroll_;
}

}  // namespace binodal::app

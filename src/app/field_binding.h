// A widget bound to a field of a table's current record: it shows the value
// and follows the cursor; what the user types is written back through the
// store. Works with QLineEdit (written when editing finishes), QPlainTextEdit
// (written when it loses the focus or on Commit), QCheckBox (on click) and
// QComboBox (the item text, on choice).
#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "app/table_signals.h"
#include "common/dialogs.h"

namespace binodal::app {

class FieldBinding : public QObject {
  Q_OBJECT

 public:
  // With `post_at_once` a write is posted at once; otherwise the record stays
  // in edit state until the table's navigator (or a cursor move) posts it.
  // `events` and `dialogs` must outlive the binding; the widget may go first.
  FieldBinding(TableSignals& events, std::string field, QWidget* widget, Dialogs& dialogs,
               bool post_at_once);

  // The text shown for the stored value; default: the field's AsString.
  std::function<std::string(TStoreField)> DisplayText;

  // Shows the current record's value.
  void Refresh();
  // Writes what the widget holds when it differs from the field's value.
  // Returns false when the store refused (its message has been shown).
  bool Commit();

  [[nodiscard]] QWidget* Widget() const { return widget_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  [[nodiscard]] QString WidgetText() const;
  [[nodiscard]] QString StoredText() const;
  [[nodiscard]] bool HasRecord() const;

  TStoreTable& table_;
  std::string field_;
  QPointer<QWidget> widget_;
  Dialogs& dialogs_;
  bool post_at_once_;
  bool refreshing_ = false;
  bool crlf_ = false;  // the stored memo text ends its lines with CR LF
};

}  // namespace binodal::app

#include "app/field_binding.h"

#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/message_dialogs.h"

namespace binodal::app {

FieldBinding::FieldBinding(TableSignals& events, std::string field, QWidget* widget,
                           Dialogs& dialogs, bool post_at_once)
    : QObject(widget),
      table_(events.Table()),
      field_(std::move(field)),
      widget_(widget),
      dialogs_(dialogs),
      post_at_once_(post_at_once) {
  connect(&events, &TableSignals::DataChanged, this, &FieldBinding::Refresh);
  connect(&events, &TableSignals::Scrolled, this, &FieldBinding::Refresh);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::editingFinished, this, &FieldBinding::Commit);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
    memo->installEventFilter(this);
  } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    connect(box, &QCheckBox::clicked, this, &FieldBinding::Commit);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this, &FieldBinding::Commit);
  }
  Refresh();
}

bool FieldBinding::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) Commit();
  return QObject::eventFilter(watched, event);
}

bool FieldBinding::HasRecord() const {
  return table_.Active() && (!table_.IsEmpty() || table_.State() == TableState::kInsert);
}

QString FieldBinding::StoredText() const {
  if (!HasRecord()) return {};
  const TStoreField field = const_cast<TStoreTable&>(table_).FieldByName(field_);
  if (qobject_cast<QCheckBox*>(widget_)) return field.AsBoolean() ? "True" : "False";
  std::string text = DisplayText ? DisplayText(field) : field.AsString();
  if (qobject_cast<QPlainTextEdit*>(widget_)) {
    std::string lf;
    lf.reserve(text.size());
    for (char c : text) {
      if (c != '\r') lf += c;
    }
    text = std::move(lf);
  }
  return QString::fromStdString(text);
}

QString FieldBinding::WidgetText() const {
  if (auto* edit = qobject_cast<QLineEdit*>(widget_)) return edit->text();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(widget_)) return memo->toPlainText();
  if (auto* box = qobject_cast<QCheckBox*>(widget_)) return box->isChecked() ? "True" : "False";
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) return combo->currentText();
  return {};
}

void FieldBinding::Refresh() {
  if (widget_ == nullptr || refreshing_) return;
  refreshing_ = true;
  bool has_record = false;
  QString text;
  bool read_only = true;
  try {
    has_record = HasRecord();
    text = StoredText();
    read_only = table_.ReadOnly();
    if (has_record && qobject_cast<QPlainTextEdit*>(widget_)) {
      crlf_ = table_.FieldByName(field_).AsString().find('\r') != std::string::npos;
    }
  } catch (const std::exception&) {
    has_record = false;  // a value the field cannot give as text: shown empty
  }
  widget_->setEnabled(has_record);
  if (auto* edit = qobject_cast<QLineEdit*>(widget_)) {
    if (edit->text() != text) edit->setText(text);
    edit->setReadOnly(read_only);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget_)) {
    if (memo->toPlainText() != text) memo->setPlainText(text);
    memo->setReadOnly(read_only);
  } else if (auto* box = qobject_cast<QCheckBox*>(widget_)) {
    box->setChecked(text == "True");
    if (read_only) widget_->setEnabled(false);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget_)) {
    // Letter case ignored, as the run reads the value ("temperature").
    combo->setCurrentIndex(combo->findText(text.trimmed(), Qt::MatchFixedString));
    if (read_only) widget_->setEnabled(false);
  }
  refreshing_ = false;
}

bool FieldBinding::Commit() {
  if (widget_ == nullptr || refreshing_ || !HasRecord() || table_.ReadOnly()) return true;
  const QString text = WidgetText();
  if (text == StoredText()) return true;
  // A combo box without an item for the stored value, or showing its item
  // for a value spelled in another case, has nothing new to write.
  if (auto* combo = qobject_cast<QComboBox*>(widget_);
      combo != nullptr && (combo->currentIndex() < 0 ||
                           text.compare(StoredText().trimmed(), Qt::CaseInsensitive) == 0)) {
    return true;
  }
  std::string value = text.toStdString();
  if (crlf_ && qobject_cast<QPlainTextEdit*>(widget_)) {
    std::string crlf;
    for (char c : value) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    value = std::move(crlf);
  }
  const bool ok = Guarded(dialogs_, [&] {
    if (table_.State() == TableState::kBrowse) table_.Edit();
    table_.FieldByName(field_).SetAsString(value);
    if (post_at_once_) table_.Post();
  });
  if (!ok) Refresh();
  return ok;
}

}  // namespace binodal::app

#include "app/navigator.h"

#include <QHBoxLayout>
#include <QStyle>

#include "app/message_dialogs.h"

namespace binodal::app {
namespace {

struct ButtonLook {
  const char* text;
  const char* tip;
};

ButtonLook LookOf(NavButton button) {
  switch (button) {
    case NavButton::kFirst:
      return {"|<", "First record"};
    case NavButton::kPrior:
      return {"<", "Prior record"};
    case NavButton::kNext:
      return {">", "Next record"};
    case NavButton::kLast:
      return {">|", "Last record"};
    case NavButton::kInsert:
      return {"+", "Insert record"};
    case NavButton::kDelete:
      return {"-", "Delete record"};
    case NavButton::kPost:
      return {"\u2713", "Post edit"};
    case NavButton::kCancel:
      return {"\u2717", "Cancel edit"};
  }
  return {"", ""};
}

}  // namespace

Navigator::Navigator(TableSignals& events, std::initializer_list<NavButton> buttons,
                     Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), table_(events.Table()), dialogs_(dialogs) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  for (NavButton button : buttons) {
    auto* tool = new QToolButton(this);
    const ButtonLook look = LookOf(button);
    tool->setText(QString::fromUtf8(look.text));
    tool->setToolTip(look.tip);
    tool->setMinimumWidth(28);
    // Taking the focus makes a bound memo write its text before the action.
    tool->setFocusPolicy(Qt::StrongFocus);
    connect(tool, &QToolButton::clicked, this, [this, button] { Press(button); });
    layout->addWidget(tool);
    buttons_[button] = tool;
  }
  layout->addStretch();
  connect(&events, &TableSignals::DataChanged, this, &Navigator::UpdateButtons);
  connect(&events, &TableSignals::Scrolled, this, &Navigator::UpdateButtons);
  UpdateButtons();
}

QToolButton* Navigator::Button(NavButton button) const {
  const auto found = buttons_.find(button);
  return found == buttons_.end() ? nullptr : found->second;
}

void Navigator::Press(NavButton button) {
  if (BeforeAction) BeforeAction();
  if (!table_.Active()) return;
  Guarded(dialogs_, [&] {
    switch (button) {
      case NavButton::kFirst:
        table_.First();
        break;
      case NavButton::kPrior:
        table_.Prior();
        break;
      case NavButton::kNext:
        table_.Next();
        break;
      case NavButton::kLast:
        table_.Last();
        break;
      case NavButton::kInsert:
        table_.Insert();
        break;
      case NavButton::kDelete:
        if (!table_.IsEmpty() && dialogs_.Confirm("Delete record?")) table_.Delete();
        break;
      case NavButton::kPost:
        table_.Post();
        break;
      case NavButton::kCancel:
        table_.Cancel();
        break;
    }
  });
  UpdateButtons();
}

void Navigator::UpdateButtons() {
  const bool active = table_.Active();
  const bool browsing = active && table_.State() == TableState::kBrowse;
  const bool editing = active && !browsing;
  const bool writable = active && !table_.ReadOnly();
  const bool has_records = active && !table_.IsEmpty();
  const int rec_no = has_records ? table_.RecNo() : 0;
  const int count = has_records ? table_.RecordCount() : 0;
  for (const auto& [button, tool] : buttons_) {
    bool enabled = false;
    switch (button) {
      case NavButton::kFirst:
      case NavButton::kPrior:
        enabled = has_records && (editing || rec_no > 1);
        break;
      case NavButton::kNext:
      case NavButton::kLast:
        enabled = has_records && (editing || rec_no < count);
        break;
      case NavButton::kInsert:
        enabled = writable;
        break;
      case NavButton::kDelete:
        enabled = writable && has_records;
        break;
      case NavButton::kPost:
      case NavButton::kCancel:
        enabled = editing;
        break;
    }
    tool->setEnabled(enabled);
  }
}

}  // namespace binodal::app

#include "app/message_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace binodal::app {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void MessageDialogs::Error(std::string_view text) {
  QMessageBox::critical(parent_, QApplication::applicationDisplayName(), ToQString(text));
}

void MessageDialogs::Warning(std::string_view text) {
  QMessageBox::warning(parent_, QApplication::applicationDisplayName(), ToQString(text));
}

void MessageDialogs::Information(std::string_view text) {
  QMessageBox::information(parent_, QApplication::applicationDisplayName(), ToQString(text));
}

void MessageDialogs::Message(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), ToQString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

bool MessageDialogs::Confirm(std::string_view text) {
  return QMessageBox::question(parent_, QApplication::applicationDisplayName(), ToQString(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

void MessageDialogs::ProcessPendingEvents() { QApplication::processEvents(); }

}  // namespace binodal::app

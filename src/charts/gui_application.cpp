#include "charts/gui_application.h"

#include <stdexcept>

#include <QApplication>
#include <QCoreApplication>
#include <QLatin1String>
#include <QString>
#include <QtGlobal>

#include "common/leak_check.h"

namespace binodal::charts {
namespace {

QtMessageHandler previous_handler = nullptr;

// While the application starts: Qt warns about an unset XDG_RUNTIME_DIR
// (usual for a command-line program run by a service or in a container) and
// then uses a folder of its own, which is all right for drawing files. The
// warning would only clutter the command-line program's error output.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths:"))) return;
  if (previous_handler != nullptr) {
    previous_handler(type, context, message);
  } else {
    qt_message_output(type, context, message);
  }
}

QApplication* StartApplication() {
  // QApplication keeps references to argc and argv for its whole life.
  static int argc = 1;
  static char name[] = "binodal";
  static char* argv[] = {name, nullptr};
  previous_handler = qInstallMessageHandler(StartupMessages);
  auto* application = new QApplication(argc, argv);
  qInstallMessageHandler(previous_handler);
  return application;
}

}  // namespace

void EnsureGuiApplication() {
  QCoreApplication* existing = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(existing) != nullptr) return;
  if (existing != nullptr) {
    throw std::runtime_error(
        "Drawing charts needs a QApplication, and the program runs another "
        "kind of Qt application object");
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: tearing Qt down while static objects of other libraries
  // are being destroyed at exit is not safe.
  static QApplication* application = StartApplication();
  (void)application;
}

}  // namespace binodal::charts

#ifdef BINODAL_LEAK_CHECKED
// Defined here, so that every program drawing charts carries it.
extern "C" const char* __lsan_default_suppressions() { return binodal::kLeakSuppressions; }
#endif

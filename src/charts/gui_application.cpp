#include "charts/gui_application.h"

#include <stdexcept>

#include <QApplication>
#include <QCoreApplication>

namespace binodal::charts {

void EnsureGuiApplication() {
  QCoreApplication* existing = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(existing) != nullptr) return;
  if (existing != nullptr) {
    throw std::runtime_error("Drawing charts needs a QApplication, and the program runs another "
                             "kind of Qt application object");
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // QApplication keeps references to argc and argv for its whole life.
  static int argc = 1;
  static char name[] = "binodal";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down while static objects of other libraries
  // are being destroyed at exit is not safe.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

}  // namespace binodal::charts

#if defined(__SANITIZE_ADDRESS__)
#define BINODAL_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BINODAL_LEAK_CHECKED 1
#endif
#endif

#ifdef BINODAL_LEAK_CHECKED
// Fontconfig, which Qt uses to find fonts, keeps caches it never frees; the
// leak checker of sanitized builds would fail every program that drew text.
// Defined here, so that every program drawing charts carries it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

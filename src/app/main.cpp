// binodal: the desktop program.
#include <QApplication>
#include <QCommandLineParser>

#include "app/main_window.h"
#include "app/message_dialogs.h"
#include "common/file_io.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Binodal");
  QApplication::setApplicationVersion(BINODAL_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("Calculation of binary phase diagrams");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption db_option("db", "The database folder (default: the program's folder).",
                                     "DIR");
  parser.addOption(db_option);
  parser.process(application);
  const std::string folder =
      parser.isSet(db_option) ? parser.value(db_option).toStdString() : binodal::ProgramFolder();

  binodal::app::MessageDialogs dialogs;
  binodal::app::TfmMain window(dialogs);
  dialogs.SetParent(&window);
  if (!window.StartDatabase(folder)) return 1;
  window.show();
  return QApplication::exec();
}

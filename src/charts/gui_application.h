// The Qt application object that drawing charts needs.
#pragma once

namespace binodal::charts {

// Makes sure a QApplication exists, creating one on first use when the
// program has none (the command-line program); the desktop program creates
// its own before anything is drawn. A created application draws off screen
// (QT_QPA_PLATFORM=offscreen) unless QT_QPA_PLATFORM is set, since pictures
// written to files need no display, and lives until the process ends. Throws
// std::runtime_error when the program runs a Qt application object of another
// kind (QCoreApplication or QGuiApplication). Call from the main thread.
void EnsureGuiApplication();

}  // namespace binodal::charts

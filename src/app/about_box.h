// The "About..." box: name, version and credits; any key, a click or its
// button closes it.
#pragma once

#include <QDialog>

namespace binodal::app {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace binodal::app

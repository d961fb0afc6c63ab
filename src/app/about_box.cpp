#include "app/about_box.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace binodal::app {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About...");
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel("<h2>Binodal " BINODAL_VERSION "</h2>", this);
  auto* tagline = new QLabel("calculation of binary phase diagrams", this);
  auto* credits = new QLabel("Written by the Binodal developers.", this);
  auto* link = new QLabel(
      "<a href=\"https://github.com/binodal/binodal\">https://github.com/binodal/binodal</a>",
      this);
  link->setOpenExternalLinks(true);
  for (QLabel* label : {name, tagline, credits, link}) {
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* close = new QPushButton("&Close", this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(close, 0, Qt::AlignCenter);
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
  event->accept();
  accept();
}

void AboutBox::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  accept();
}

}  // namespace binodal::app

#include "app/stability_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "app/field_binding.h"
#include "app/grid.h"
#include "app/message_dialogs.h"
#include "app/navigator.h"
#include "app/table_model.h"
#include "app/table_signals.h"
#include "common/number_format.h"
#include "exchange/stability_file.h"

namespace binodal::app {

TfmStability::TfmStability(TDM& dm, Dialogs& dialogs, const std::string& output_folder,
                           QWidget* parent)
    : QMainWindow(parent), dm_(dm), dialogs_(dialogs), output_folder_(output_folder) {
  setWindowFlag(Qt::Window);
  setWindowTitle("Stability parameters");
  auto* parameters = new TableSignals(dm_.tblStability);
  auto* pieces = new TableSignals(dm_.tblStabDet);
  signals_ = {parameters, pieces};
  const auto bind = [&](TableSignals* table, const char* field, QWidget* widget) {
    auto* binding = new FieldBinding(*table, field, widget, dialogs_, false);
    bindings_.push_back(binding);
    return binding;
  };
  const auto piece_number = [](TStoreField field) {
    return field.IsNull() ? std::string() : FormatFloat("0.######", field.AsFloat());
  };

  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  auto* split = new QSplitter(Qt::Horizontal, central);

  auto* names_pane = new QGroupBox(" Function names ", split);
  auto* names_layout = new QVBoxLayout(names_pane);
  parameters_grid_ = MakeGrid(names_pane);
  parameters_model_ = new TableModel(*parameters, {{"Designation", "Designation"}}, dialogs_, this);
  Follow(parameters_grid_, parameters_model_);
  parameters_nav_ = new Navigator(
      *parameters, {NavButton::kInsert, NavButton::kDelete, NavButton::kPost, NavButton::kCancel},
      dialogs_, names_pane);
  names_layout->addWidget(parameters_grid_);
  names_layout->addWidget(parameters_nav_);

  auto* right = new QSplitter(Qt::Vertical, split);
  auto* comments_pane = new QGroupBox(" Comments ", right);
  auto* comments_layout = new QVBoxLayout(comments_pane);
  comment_memo_ = new QPlainTextEdit(comments_pane);
  comments_layout->addWidget(comment_memo_);
  bind(parameters, "Comment", comment_memo_);

  auto* piece_pane = new QGroupBox(" Gibbs energy expression ", right);
  auto* piece_layout = new QVBoxLayout(piece_pane);
  auto* range_row = new QHBoxLayout;
  const auto labelled_edit = [&](const char* caption, const char* field, bool shown) {
    auto* label = new QLabel(caption, piece_pane);
    auto* edit = new QLineEdit(piece_pane);
    range_row->addWidget(label);
    range_row->addWidget(edit, 1);
    label->setVisible(shown);
    edit->setVisible(shown);
    bind(pieces, field, edit)->DisplayText = piece_number;
    return edit;
  };
  tmin_edit_ = labelled_edit("Tmin= ", "Tmin", true);
  tmax_edit_ = labelled_edit("Tmax= ", "Tmax", true);
  // The composition window a piece hands on to the Gibbs energy pieces that
  // use it is kept, but not edited here.
  labelled_edit("Xmin= ", "Xmin", false);
  labelled_edit("Xmax= ", "Xmax", false);
  expression_memo_ = new QPlainTextEdit(piece_pane);
  expression_memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  expression_memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  expression_memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  bind(pieces, "Expression", expression_memo_);
  pieces_nav_ =
      new Navigator(*pieces,
                    {NavButton::kFirst, NavButton::kPrior, NavButton::kNext, NavButton::kLast,
                     NavButton::kInsert, NavButton::kDelete, NavButton::kPost, NavButton::kCancel},
                    dialogs_, piece_pane);
  piece_counter_ = new QLabel(piece_pane);
  piece_counter_->setMinimumWidth(60);
  auto* nav_row = new QHBoxLayout;
  nav_row->addWidget(pieces_nav_);
  nav_row->addStretch();
  nav_row->addWidget(piece_counter_);
  piece_layout->addLayout(range_row);
  piece_layout->addWidget(expression_memo_, 1);
  piece_layout->addLayout(nav_row);
  for (Navigator* nav : {parameters_nav_, pieces_nav_}) {
    nav->BeforeAction = [this] { CommitEditors(); };
  }
  // The counter also follows a change of parameter, which moves no piece.
  connect(pieces, &TableSignals::DataChanged, this, &TfmStability::RefreshCounter);
  dm_.OnStabilityPieceCounter = [this](const std::string& text) {
    piece_counter_->setText(QString::fromStdString(text));
  };

  split->addWidget(names_pane);
  split->addWidget(right);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 3);
  right->setStretchFactor(0, 1);
  right->setStretchFactor(1, 2);
  outer->addWidget(split, 1);
  auto* close_row = new QHBoxLayout;
  auto* close_button = new QPushButton("Close", central);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  close_row->addStretch();
  close_row->addWidget(close_button);
  outer->addLayout(close_row);
  setCentralWidget(central);

  QMenu* data_menu = menuBar()->addMenu("Data");
  data_menu->addAction("Save to file", this, &TfmStability::N2Click)->setObjectName("Save to file");
  data_menu->addAction("Upload from file", this, &TfmStability::N3Click)
      ->setObjectName("Upload from file");
  resize(820, 520);
}

TfmStability::~TfmStability() {
  dm_.OnStabilityPieceCounter = nullptr;
  for (FieldBinding* binding : bindings_) delete binding;
  bindings_.clear();
  delete takeCentralWidget();
  delete parameters_model_;
  for (TableSignals* signal : signals_) delete signal;
}

void TfmStability::RefreshCounter() { piece_counter_->setText(PieceCounterText(dm_.tblStabDet)); }

void TfmStability::CommitEditors() {
  for (FieldBinding* binding : bindings_) binding->Commit();
}

void TfmStability::N2Click() {
  CommitEditors();
  ShownByCore(dialogs_, [&] { SaveStabilityParameters(dm_, output_folder_, dialogs_); });
}

void TfmStability::N3Click() {
  CommitEditors();
  // The file of the current directory, named as the user knows it.
  Guarded(dialogs_, [&] { UploadStabilityParameters(dm_, kStabilityParamsFile, dialogs_); });
}

}  // namespace binodal::app

#include "app/matrix_window.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace binodal::app {
namespace {

const QColor kTwoPhaseBackground(255, 255, 0);  // yellow
const QColor kTwoPhaseText(255, 0, 0);          // red

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Restores the cursor however the command ends.
class HourglassCursor {
 public:
  HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourglassCursor() { QApplication::restoreOverrideCursor(); }
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;
};

QBrush Background(CellLook look, const QPalette& palette) {
  switch (look) {
    case CellLook::kFixed:
      return palette.button();
    case CellLook::kTwoPhase:
      return kTwoPhaseBackground;
    case CellLook::kPlain:
      break;
  }
  return palette.base();
}

QBrush Foreground(CellLook look, const QPalette& palette) {
  switch (look) {
    case CellLook::kFixed:
      return palette.windowText();
    case CellLook::kTwoPhase:
      return kTwoPhaseText;
    case CellLook::kPlain:
      break;
  }
  return palette.text();
}

// Paints a cell as the matrix wants it: the background over the whole cell,
// then the text once, indented by the font's size in points and 2 pixels
// below the cell's top.
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    painter->fillRect(option.rect, index.data(Qt::BackgroundRole).value<QBrush>());
    painter->setClipRect(option.rect);
    painter->setFont(option.font);
    painter->setPen(index.data(Qt::ForegroundRole).value<QBrush>().color());
    const int indent = option.font.pointSize() > 0 ? option.font.pointSize() : 8;
    painter->drawText(option.rect.adjusted(indent, 2, 0, 0),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_HasFocus) {
      painter->setPen(QPen(option.palette.windowText().color(), 1, Qt::DotLine));
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }
};

}  // namespace

// The grid for the view: data cells from [1][1] on; row 0 and column 0 are
// the headers.
class MatrixModel : public QAbstractTableModel {
 public:
  explicit MatrixModel(QObject* parent) : QAbstractTableModel(parent) {}

  [[nodiscard]] const MatrixGrid& Grid() const { return grid_; }

  void CopyFrom(const TPhaseMatrix& matrix) {
    beginResetModel();
    grid_.CopyFrom(matrix);
    endResetModel();
  }
  int Compact() {
    beginResetModel();
    const int removed = grid_.Compact();
    endResetModel();
    return removed;
  }

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : grid_.RowCount() - 1;
  }
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : grid_.ColCount() - 1;
  }

  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    return CellData(index.column() + 1, index.row() + 1, role);
  }

  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                    int role) const override {
    if (section < 0) return {};
    return orientation == Qt::Horizontal ? CellData(section + 1, 0, role)
                                         : CellData(0, section + 1, role);
  }

  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

 private:
  [[nodiscard]] QVariant CellData(int col, int row, int role) const {
    if (col >= grid_.ColCount() || row >= grid_.RowCount()) return {};
    const std::string& text = grid_.Cell(col, row);
    const CellLook look = CellLookOf(col, row, text);
    const QPalette palette = QApplication::palette();
    switch (role) {
      case Qt::DisplayRole:
        return Q(text);
      case Qt::BackgroundRole:
        return Background(look, palette);
      case Qt::ForegroundRole:
        return Foreground(look, palette);
      default:
        return {};
    }
  }

  MatrixGrid grid_;
};

TfmCells::TfmCells(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Matrix form of the phase diagram");
  model_ = new MatrixModel(this);

  grid_view_ = new QTableView(this);
  grid_view_->setModel(model_);
  grid_view_->setItemDelegate(new CellDelegate(grid_view_));
  grid_view_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_view_->setCornerButtonEnabled(false);
  QHeaderView* columns = grid_view_->horizontalHeader();
  QHeaderView* rows = grid_view_->verticalHeader();
  for (QHeaderView* header : {columns, rows}) {
    header->setMinimumSectionSize(1);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
  }
  columns->setSectionResizeMode(QHeaderView::Interactive);  // the user sizes columns
  columns->setDefaultSectionSize(kWideWidth);
  // Narrow columns clip their captions rather than shrink them to "...".
  columns->setTextElideMode(Qt::ElideNone);
  rows->setDefaultSectionSize(kDefaultRowHeight);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  // The corner is cell [0][0]: it shows its text like the other fixed cells.
  if (auto* corner = grid_view_->findChild<QAbstractButton*>()) corner->installEventFilter(this);

  narrow_box_ = new QCheckBox("Compress the cells", this);
  connect(narrow_box_, &QCheckBox::toggled, this, &TfmCells::chbNarrowCellsClick);
  compact_button_ = new QPushButton("Compact the grid", this);
  compact_button_->hide();
  connect(compact_button_, &QPushButton::clicked, this, &TfmCells::sbCompactClick);
  special_points_button_ = new QPushButton("Find special points", this);
  special_points_button_->hide();
  auto* close_button = new QPushButton("Close", this);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(narrow_box_);
  bottom->addWidget(compact_button_);
  bottom->addWidget(special_points_button_);
  bottom->addStretch();
  bottom->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_view_, 1);
  layout->addLayout(bottom);
  resize(720, 480);
}

TfmCells::~TfmCells() = default;

const MatrixGrid& TfmCells::Grid() const { return model_->Grid(); }

bool TfmCells::eventFilter(QObject* watched, QEvent* event) {
  auto* corner = qobject_cast<QAbstractButton*>(watched);
  if (corner == nullptr || event->type() != QEvent::Paint) {
    return QWidget::eventFilter(watched, event);
  }
  QStyleOptionHeader option;
  option.initFrom(corner);
  // The corner button does nothing, but the cell is not a disabled one.
  option.state |= QStyle::State_Enabled;
  option.palette.setCurrentColorGroup(QPalette::Active);
  option.rect = corner->rect();
  option.position = QStyleOptionHeader::OnlyOneSection;
  option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  option.text = Q(model_->Grid().Cell(0, 0));
  QStylePainter painter(corner);
  painter.drawControl(QStyle::CE_Header, option);
  return true;
}

void TfmCells::ShowMatrix(const TPhaseMatrix& matrix) {
  const HourglassCursor hourglass;
  model_->CopyFrom(matrix);
  if (narrow_box_->isChecked()) {
    ApplyColumnWidths();
  } else {
    narrow_box_->setChecked(true);  // applies the widths
  }
  show();
  raise();
}

void TfmCells::chbNarrowCellsClick(bool /*checked*/) { ApplyColumnWidths(); }

void TfmCells::ApplyColumnWidths() {
  // Every data column, whether the user has sized it or not.
  grid_view_->horizontalHeader()->setDefaultSectionSize(narrow_box_->isChecked() ? kNarrowWidth
                                                                                 : kWideWidth);
}

void TfmCells::sbCompactClick() {
  const HourglassCursor hourglass;
  model_->Compact();
}

}  // namespace binodal::app

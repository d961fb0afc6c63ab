#include "app/diagram_window.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <tuple>
#include <utility>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QValueAxis>

#include "app/chart_dialogs.h"
#include "charts/chart_builder.h"
#include "common/file_io.h"
#include "common/number_format.h"
#include "results/axis_scale.h"
#include "results/diagram_texts.h"
#include "results/phase_diagram.h"

namespace binodal::app {
namespace {

constexpr TColor kZoomRectangleColor = 4194368;  // 0x400040, a dark purple
constexpr int kScreenDpi = 96;                   // the SVG's pixels are screen pixels
constexpr double kWheelScrollPixels = 40;        // per notch of the wheel
constexpr double kWheelZoomFactor = 1.25;        // per notch, with Ctrl
constexpr int kWantedLabels = 8;                 // labelled ticks on a zoomed axis
constexpr int kFewestLabels = 4;
constexpr int kMostLabels = 50;

// The design state of the chart, until "Chart.cfg" replaces it.
charts::ChartSettings DesignSettings() {
  charts::ChartSettings settings;
  settings.Look = charts::PhaseDiagramLook();
  settings.Model.FootLines = {std::string(kDefaultFootText)};
  return settings;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  return text;
}

std::filesystem::path InFolder(const std::string& folder, std::string_view name) {
  return std::filesystem::path(folder) / std::string(name);
}

}  // namespace

// The chart widget: turns the mouse into the window's commands and draws the
// zoom rectangle.
class DiagramChartView : public QChartView {
 public:
  explicit DiagramChartView(TfmDiagram2& window) : window_(window) {
    setRubberBand(QChartView::NoRubberBand);
    setFrameShape(QFrame::NoFrame);
    setRenderHint(QPainter::Antialiasing);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
      pressed_ = true;
      press_point_ = at;
      band_ = QRect();
    } else if (event->button() == Qt::RightButton) {
      panning_ = true;
      pan_point_ = at;
    }
    event->accept();
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    const QPoint at = event->position().toPoint();
    window_.MouseMovedTo(at);
    if (pressed_ && (band_.isValid() ||
                     (at - press_point_).manhattanLength() >= QApplication::startDragDistance())) {
      band_ = QRect(press_point_, at).normalized();
      viewport()->update();
    }
    if (panning_ && at != pan_point_) {
      window_.ScrollBy(at - pan_point_);
      pan_point_ = at;
    }
    event->accept();
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && pressed_) {
      pressed_ = false;
      if (band_.isValid()) {
        band_ = QRect();
        viewport()->update();
        // Drawn from top-left to bottom-right: zoom in; any other way: undo.
        if (at.x() > press_point_.x() && at.y() > press_point_.y()) {
          const std::optional<QPointF> from = window_.ValueAt(press_point_);
          const std::optional<QPointF> to = window_.ValueAt(at);
          if (from && to) window_.ZoomTo(from->x(), to->x(), from->y(), to->y());
        } else if (window_.Zoomed()) {
          window_.sbUndoZoomClick();
        }
      } else {
        window_.ClickAt(at);
      }
    } else if (event->button() == Qt::RightButton) {
      panning_ = false;
    }
    event->accept();
  }

  void wheelEvent(QWheelEvent* event) override {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
      window_.ZoomAbout(event->position(), std::pow(kWheelZoomFactor, notches));
    } else if ((event->modifiers() & Qt::ShiftModifier) != 0) {
      window_.ScrollBy(QPointF(notches * kWheelScrollPixels, 0));
    } else {
      window_.ScrollBy(QPointF(0, notches * kWheelScrollPixels));
    }
    event->accept();
  }

  void drawForeground(QPainter* painter, const QRectF& rect) override {
    QChartView::drawForeground(painter, rect);
    if (!band_.isValid()) return;
    painter->save();
    painter->setPen(QPen(charts::ToQColor(kZoomRectangleColor), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(mapToScene(band_).boundingRect());
    painter->restore();
  }

 private:
  TfmDiagram2& window_;
  bool pressed_ = false;
  QPoint press_point_;
  QRect band_;  // the zoom rectangle being drawn; invalid: none
  bool panning_ = false;
  QPoint pan_point_;
};

TfmDiagram2::TfmDiagram2(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      settings_(DesignSettings()),
      decimal_separator_(LocaleSeparators().decimal) {
  setWindowTitle("Diagram");
  setAttribute(Qt::WA_QuitOnClose, false);
  FootText = std::string(kDefaultFootText);
  LabelFont.Font = QApplication::font();

  EditCaptionPrompt = [this](const QString& text) -> std::optional<QString> {
    bool ok = false;
    const QString typed =
        QInputDialog::getText(this, "Edit caption", "New text", QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return typed;
  };
  EditChart = [this](charts::ChartSettings& settings) {
    ChartEditor editor(settings, ShownRanges(), this);
    if (editor.exec() != QDialog::Accepted) return false;
    settings = editor.Result();
    return true;
  };
  ChooseLabelFont = [this](const PhaseLabelFont& font) -> std::optional<PhaseLabelFont> {
    LabelFontDialog dialog(font, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
  };

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 4);
  view_ = new DiagramChartView(*this);
  layout->addWidget(view_, 1);

  auto* panel = new QHBoxLayout;
  panel->setContentsMargins(8, 0, 8, 0);
  readout_ = new QLabel(central);
  readout_->setObjectName("Label1");
  // Fixed pitch, so that the aligned numbers do not jump about.
  readout_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // The read-out takes the free width, and keeps it while hidden, so that the
  // buttons stay where they are.
  QSizePolicy readout_policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  readout_policy.setRetainSizeWhenHidden(true);
  readout_->setSizePolicy(readout_policy);
  panel->addWidget(readout_, 1);
  const auto button = [&](const char* caption, void (TfmDiagram2::*slot)()) {
    auto* b = new QPushButton(caption, central);
    connect(b, &QPushButton::clicked, this, slot);
    panel->addWidget(b);
    return b;
  };
  button("Special points", &TfmDiagram2::sbSpecialPointsClick);
  button("Edit chart", &TfmDiagram2::sbEditClick);
  undo_zoom_button_ = button("Undo zoom", &TfmDiagram2::sbUndoZoomClick);
  undo_zoom_button_->hide();
  button("Copy", &TfmDiagram2::sbCopyClick)->setToolTip("Copy the chart into clipboard");
  auto* close_button = new QPushButton("Close", central);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  panel->addWidget(close_button);
  layout->addLayout(panel);
  setCentralWidget(central);

  QAction* font_item =
      menuBar()->addAction("Font for labels selection", this, &TfmDiagram2::Setfontforlabels1Click);
  font_item->setObjectName("Setfontforlabels1");

  Rebuild();
  resize(820, 640);
}

TfmDiagram2::~TfmDiagram2() = default;

QChartView* TfmDiagram2::Chart1() const { return view_; }

// --- Settings files.

void TfmDiagram2::LoadSettings(const std::string& folder) {
  std::error_code error;
  const std::filesystem::path chart_file = InFolder(folder, charts::kChartSettingsFileName);
  keep_chart_file_ = false;
  if (std::filesystem::exists(chart_file, error)) {
    try {
      settings_ =
          charts::ReadChartSettings(ReadWholeFile(chart_file.string()), charts::PhaseDiagramLook());
      Rebuild();
    } catch (const std::exception& e) {
      keep_chart_file_ = true;
      dialogs_.Error(std::string(e.what()) + "\nThe chart keeps its design settings, and " +
                     chart_file.string() + " is left as it is.");
    }
  }
  FootText = JoinLines(settings_.Model.FootLines);

  LabelFont = PhaseLabelFont{QApplication::font(), 0};
  const std::filesystem::path font_file = InFolder(folder, kLabelFontFileName);
  keep_font_file_ = false;
  if (std::filesystem::exists(font_file, error)) {
    try {
      const LabelFontSettings before = ToSettings(LabelFont);
      LabelFontSettings read = before;
      const std::optional<std::string> bad_line =
          ReadLabelFont(ReadWholeFile(font_file.string()), read);
      if (read != before) LabelFont = FromSettings(read, LabelFont.Font);
      if (bad_line) {
        keep_font_file_ = true;
        dialogs_.Error(*bad_line);
      }
    } catch (const std::exception& e) {
      keep_font_file_ = true;
      dialogs_.Error(e.what());
    }
  }
}

void TfmDiagram2::SaveSettings(const std::string& folder) {
  DeleteLabels();
  settings_.Look.XRange.reset();
  settings_.Look.YRange.reset();
  // The foot from an "#XCAP=" line belongs to one system; the file keeps the window's own.
  settings_.Model.FootLines = TextLines(FootText);
  Rebuild();
  zoomed_ = false;
  undo_zoom_button_->hide();
  const auto write = [this](bool keep, const std::filesystem::path& path,
                            const std::string& bytes) {
    if (keep) return;  // a file this program could not read is not ours to replace
    try {
      WriteWholeFile(path.string(), bytes);
    } catch (const std::exception& e) {
      dialogs_.Error(e.what());
    }
  };
  write(keep_chart_file_, InFolder(folder, charts::kChartSettingsFileName),
        charts::WriteChartSettings(settings_));
  write(keep_font_file_, InFolder(folder, kLabelFontFileName),
        WriteLabelFont(ToSettings(LabelFont)));
}

// --- The diagram.

void TfmDiagram2::ShowDiagram(const ChartModel& model, const TPhaseMatrix* matrix) {
  DeleteLabels();
  settings_.Model = model;
  matrix_ = matrix;
  Rebuild();
  zoomed_ = false;
  undo_zoom_button_->hide();
  show();
  raise();
}

void TfmDiagram2::Rebuild() {
  std::unique_ptr<QChart> chart = charts::BuildChart(settings_.Model, settings_.Look);
  QChart* old = view_->chart();
  view_->setChart(chart.release());  // the view owns the new chart and lets go of the old one
  delete old;
}

QChart* TfmDiagram2::CurrentChart() const { return view_->chart(); }

QValueAxis* TfmDiagram2::Axis(Qt::Orientation orientation) const {
  QChart* chart = CurrentChart();
  if (chart == nullptr) return nullptr;
  const QList<QAbstractAxis*> axes = chart->axes(orientation);
  return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.first());
}

QRectF TfmDiagram2::PlotRect() const {
  QChart* chart = CurrentChart();
  if (chart == nullptr) return {};
  const QRectF in_scene = chart->mapToScene(chart->plotArea()).boundingRect();
  return view_->mapFromScene(in_scene).boundingRect();
}

std::optional<QPointF> TfmDiagram2::PixelOf(double x, double y) const {
  const QValueAxis* x_axis = Axis(Qt::Horizontal);
  const QValueAxis* y_axis = Axis(Qt::Vertical);
  const QRectF plot = PlotRect();
  if (x_axis == nullptr || y_axis == nullptr || plot.isEmpty()) return std::nullopt;
  return QPointF(
      plot.left() + (x - x_axis->min()) / (x_axis->max() - x_axis->min()) * plot.width(),
      plot.bottom() - (y - y_axis->min()) / (y_axis->max() - y_axis->min()) * plot.height());
}

std::optional<QPointF> TfmDiagram2::ValueAt(QPointF pixel) const {
  const QValueAxis* x_axis = Axis(Qt::Horizontal);
  const QValueAxis* y_axis = Axis(Qt::Vertical);
  const QRectF plot = PlotRect();
  if (x_axis == nullptr || y_axis == nullptr || plot.isEmpty()) return std::nullopt;
  return QPointF(
      x_axis->min() + (pixel.x() - plot.left()) / plot.width() * (x_axis->max() - x_axis->min()),
      y_axis->min() +
          (plot.bottom() - pixel.y()) / plot.height() * (y_axis->max() - y_axis->min()));
}

std::string TfmDiagram2::TitleLine() const {
  return settings_.Model.TitleLines.empty() ? std::string() : settings_.Model.TitleLines.front();
}

void TfmDiagram2::MouseMovedTo(QPoint pixel) {
  const QRectF plot = PlotRect();
  // Edges count as inside.
  const bool inside = pixel.x() >= plot.left() && pixel.x() <= plot.right() &&
                      pixel.y() >= plot.top() && pixel.y() <= plot.bottom();
  const std::optional<QPointF> value = inside ? ValueAt(pixel) : std::nullopt;
  if (!value) {
    readout_->hide();
    return;
  }
  readout_->show();
  readout_->setText(
      QString::fromStdString(ReadoutText(value->x(), value->y(), TitleLine(), decimal_separator_)));
}

// --- Phase labels.

PhaseLabel* TfmDiagram2::ClickAt(QPoint pixel) {
  if (matrix_ == nullptr) return nullptr;
  const std::optional<QPointF> value = ValueAt(pixel);
  if (!value) return nullptr;
  const std::optional<std::string> text = PhaseLabelText(*matrix_, value->x(), value->y());
  if (!text) return nullptr;
  auto* label = new PhaseLabel(QString::fromStdString(*text), LabelFont, view_->viewport());
  label->move(pixel);
  label->show();
  connect(label, &PhaseLabel::RightClicked, this, &TfmDiagram2::RightClickLabel);
  connect(label, &PhaseLabel::DragEnded, this, &TfmDiagram2::DropLabel);
  labels_.emplace_back(label);
  return label;
}

PhaseLabel* TfmDiagram2::ClickAtValue(double x, double y) {
  const std::optional<QPointF> pixel = PixelOf(x, y);
  if (!pixel) return nullptr;
  return ClickAt(pixel->toPoint());
}

void TfmDiagram2::RightClickLabel(PhaseLabel* label, bool alt) {
  if (label == nullptr) return;
  if (alt) {
    RemoveLabel(label);
    return;
  }
  if (!EditCaptionPrompt) return;
  const QPointer<PhaseLabel> guard(label);
  const std::optional<QString> text = EditCaptionPrompt(label->text());
  // The labels may have been freed while the prompt was open.
  if (text && !guard.isNull()) guard->SetLabelText(*text);
}

void TfmDiagram2::DropLabel(PhaseLabel* label, QPoint drop, QPoint start) {
  if (label == nullptr) return;
  label->move(view_->viewport()->rect().contains(drop) ? drop : start);
}

std::vector<PhaseLabel*> TfmDiagram2::Labels() const {
  std::vector<PhaseLabel*> labels;
  for (const QPointer<PhaseLabel>& label : labels_) {
    if (!label.isNull()) labels.push_back(label.data());
  }
  return labels;
}

void TfmDiagram2::RemoveLabel(PhaseLabel* label) {
  std::erase_if(labels_, [label](const QPointer<PhaseLabel>& held) {
    return held.isNull() || held.data() == label;
  });
  label->hide();
  // Later: the label may be in the middle of handling its own mouse event.
  label->deleteLater();
}

void TfmDiagram2::DeleteLabels() {
  for (PhaseLabel* label : Labels()) RemoveLabel(label);
  labels_.clear();
}

// --- Zoom.

void TfmDiagram2::SetRanges(double x0, double x1, double y0, double y1) {
  QValueAxis* x_axis = Axis(Qt::Horizontal);
  QValueAxis* y_axis = Axis(Qt::Vertical);
  if (x_axis == nullptr || y_axis == nullptr) return;
  const auto apply = [](QValueAxis& axis, double from, double to,
                        const std::optional<double>& wanted_step) {
    if (from > to) std::swap(from, to);
    if (!(to > from) || !std::isfinite(from) || !std::isfinite(to)) return;
    std::tie(from, to) = DrawableRange(from, to);
    // Keep the look's step while it labels a sensible number of ticks.
    const double span = to - from;
    double step = wanted_step.value_or(axis.tickInterval());
    if (!(step > 0) || span / step > kMostLabels || span / step < kFewestLabels) {
      step = RoundStep(span, kWantedLabels);
    }
    axis.setTickInterval(step);
    axis.setRange(from, to);
  };
  apply(*x_axis, x0, x1, settings_.Look.XTickInterval);
  apply(*y_axis, y0, y1, settings_.Look.YTickInterval);
}

std::optional<std::array<double, 4>> TfmDiagram2::ShownRanges() const {
  const QValueAxis* x_axis = Axis(Qt::Horizontal);
  const QValueAxis* y_axis = Axis(Qt::Vertical);
  if (x_axis == nullptr || y_axis == nullptr) return std::nullopt;
  return std::array<double, 4>{x_axis->min(), x_axis->max(), y_axis->min(), y_axis->max()};
}

void TfmDiagram2::ZoomTo(double x0, double x1, double y0, double y1) {
  SetRanges(x0, x1, y0, y1);
  AfterZoom();
}

void TfmDiagram2::ScrollBy(QPointF pixels) {
  const std::optional<std::array<double, 4>> ranges = ShownRanges();
  const QRectF plot = PlotRect();
  if (!ranges || plot.isEmpty()) return;
  const auto [x_min, x_max, y_min, y_max] = *ranges;
  const double dx = -pixels.x() / plot.width() * (x_max - x_min);
  const double dy = pixels.y() / plot.height() * (y_max - y_min);
  SetRanges(x_min + dx, x_max + dx, y_min + dy, y_max + dy);
  AfterZoom();
}

void TfmDiagram2::ZoomAbout(QPointF center, double factor) {
  const std::optional<std::array<double, 4>> ranges = ShownRanges();
  const std::optional<QPointF> fixed = ValueAt(center);
  if (!ranges || !fixed || !(factor > 0)) return;
  const auto [x_min, x_max, y_min, y_max] = *ranges;
  SetRanges(fixed->x() - (fixed->x() - x_min) / factor, fixed->x() + (x_max - fixed->x()) / factor,
            fixed->y() - (fixed->y() - y_min) / factor, fixed->y() + (y_max - fixed->y()) / factor);
  AfterZoom();
}

void TfmDiagram2::AfterZoom() {
  zoomed_ = true;
  undo_zoom_button_->show();
  DeleteLabels();
}

void TfmDiagram2::sbUndoZoomClick() {
  Rebuild();
  zoomed_ = false;
  undo_zoom_button_->hide();
  DeleteLabels();
}

// --- Commands.

void TfmDiagram2::sbSpecialPointsClick() {
  if (SpecialPointsRequested) SpecialPointsRequested();
}

void TfmDiagram2::sbEditClick() {
  if (!EditChart) return;
  charts::ChartSettings edited = settings_;
  if (!EditChart(edited)) return;
  // The foot becomes the window's own only when it was edited: a caption
  // from "#XCAP=" that happens to be shown is not taken for later diagrams.
  const bool foot_edited = edited.Model.FootLines != settings_.Model.FootLines;
  settings_ = std::move(edited);
  Rebuild();
  if (zoomed_) {
    // The new chart starts unzoomed; labels placed for the zoom go with it.
    zoomed_ = false;
    undo_zoom_button_->hide();
    DeleteLabels();
  }
  if (foot_edited) FootText = JoinLines(settings_.Model.FootLines);
}

TfmDiagram2::Picture TfmDiagram2::DrawPicture() const {
  const QSize size(std::max(1, view_->width() - 1), std::max(1, view_->height() - 1));
  const QRectF target(QPointF(0, 0), QSizeF(size));
  const QRectF source = view_->mapToScene(QRect(QPoint(0, 0), size)).boundingRect();
  const std::vector<PhaseLabel*> labels = Labels();
  const auto paint = [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    view_->scene()->render(&painter, target, source);
    // The labels, from the last placed to the first, each at its top-left.
    for (auto label = labels.rbegin(); label != labels.rend(); ++label) {
      painter.setFont((*label)->LabelFont().Font);
      painter.setPen(LabelColor((*label)->LabelFont().Color));
      painter.drawText(QRectF(QPointF((*label)->pos()), QSizeF(size)), Qt::AlignLeft | Qt::AlignTop,
                       (*label)->text());
    }
  };

  Picture picture;
  QBuffer buffer(&picture.Svg);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setResolution(kScreenDpi);
  generator.setTitle(windowTitle());
  {
    QPainter painter(&generator);
    paint(painter);
  }
  picture.Image = QImage(size, QImage::Format_ARGB32_Premultiplied);
  picture.Image.fill(Qt::white);
  {
    QPainter painter(&picture.Image);
    paint(painter);
  }
  return picture;
}

void TfmDiagram2::sbCopyClick() {
  Picture picture = DrawPicture();
  auto* mime = new QMimeData;
  mime->setData("image/svg+xml", picture.Svg);
  mime->setImageData(picture.Image);
  QGuiApplication::clipboard()->setMimeData(mime);  // the clipboard owns the data now
  dialogs_.ProcessPendingEvents();
}

void TfmDiagram2::Setfontforlabels1Click() {
  if (!ChooseLabelFont) return;
  // Labels placed already keep their own font.
  if (std::optional<PhaseLabelFont> font = ChooseLabelFont(LabelFont)) {
    LabelFont = *font;
    keep_font_file_ = false;  // the choice is the user's: it is saved, over an unreadable file too
  }
}

void TfmDiagram2::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) readout_->clear();
  QMainWindow::changeEvent(event);
}

}  // namespace binodal::app

#include "app/chart_dialogs.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "charts/chart_builder.h"
#include "results/phase_diagram.h"

namespace binodal::app {
namespace {

constexpr double kLargestAxisValue = 1e12;
constexpr int kAxisDecimals = 6;

TColor FromQColor(const QColor& color) {
  return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8) |
         (static_cast<TColor>(color.blue()) << 16);
}

QDoubleSpinBox* AxisNumber(double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(-kLargestAxisValue, kLargestAxisValue);
  box->setDecimals(kAxisDecimals);
  box->setValue(value);
  return box;
}

QString Lines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << QString::fromStdString(line);
  return list.join('\n');
}

std::vector<std::string> LinesOf(const QPlainTextEdit* edit) {
  return TextLines(edit->toPlainText().toStdString());
}

void DialogButtons(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace

// --- ColorButton.

ColorButton::ColorButton(TColor color, QWidget* parent) : QPushButton(parent), color_(color) {
  SetColor(color);
  connect(this, &QPushButton::clicked, this, &ColorButton::Choose);
}

void ColorButton::SetColor(TColor color) {
  color_ = color;
  QPixmap swatch(32, 14);
  swatch.fill(LabelColor(color));
  {
    QPainter painter(&swatch);
    painter.setPen(Qt::gray);
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
  }
  setIcon(QIcon(swatch));
  setIconSize(swatch.size());
  // The colour's name where it has one, else as the web writes it.
  const std::string name = ColorToText(color);
  setText(name.starts_with('$') ? LabelColor(color).name() : QString::fromStdString(name));
}

void ColorButton::Choose() {
  const QColor chosen = QColorDialog::getColor(LabelColor(color_), this);
  if (!chosen.isValid()) return;
  SetColor(FromQColor(chosen));
  emit ColorChanged(color_);
}

// --- ChartEditor.

ChartEditor::ChartEditor(const charts::ChartSettings& settings,
                         const std::optional<std::array<double, 4>>& shown_ranges, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      shown_ranges_(shown_ranges),
      drawn_colors_(charts::DrawnSeriesColors(settings.Model)) {
  setWindowTitle("Edit chart");
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  tabs->addTab(BuildChartPage(), "Chart");
  tabs->addTab(BuildAxesPage(), "Axes");
  tabs->addTab(BuildSeriesPage(), "Series");
  layout->addWidget(tabs);
  DialogButtons(this, layout);
}

QWidget* ChartEditor::TextGroup(const QString& caption, const std::string& family, int pixel_size,
                                bool bold, bool italic, TColor color, TextControls& controls) {
  auto* group = new QGroupBox(caption);
  auto* form = new QFormLayout(group);
  controls.Family = new QFontComboBox(group);
  controls.Family->setObjectName(caption + " family");
  controls.Family->setCurrentFont(family.empty() ? font() : QFont(QString::fromStdString(family)));
  controls.PixelSize = new QSpinBox(group);
  controls.PixelSize->setRange(4, 200);
  controls.PixelSize->setSuffix(" px");
  controls.PixelSize->setValue(pixel_size > 0 ? pixel_size : QFontInfo(font()).pixelSize());
  controls.ShownFamily = controls.Family->currentFont().family();
  controls.ShownPixelSize = controls.PixelSize->value();
  controls.Bold = new QCheckBox("Bold", group);
  controls.Bold->setChecked(bold);
  controls.Italic = new QCheckBox("Italic", group);
  controls.Italic->setChecked(italic);
  controls.Color = new ColorButton(color, group);
  auto* style = new QHBoxLayout;
  style->addWidget(controls.Bold);
  style->addWidget(controls.Italic);
  style->addStretch();
  form->addRow("Font", controls.Family);
  form->addRow("Size", controls.PixelSize);
  form->addRow("Style", style);
  form->addRow("Colour", controls.Color);
  return group;
}

QWidget* ChartEditor::BuildChartPage() {
  const charts::ChartLook& look = settings_.Look;
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* texts = new QFormLayout;
  title_ = new QPlainTextEdit(Lines(settings_.Model.TitleLines), page);
  title_->setObjectName("title");
  foot_ = new QPlainTextEdit(Lines(settings_.Model.FootLines), page);
  foot_->setObjectName("foot");
  for (QPlainTextEdit* edit : {title_, foot_}) {
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 3 + 12);
  }
  texts->addRow("Title (Y axis)", title_);
  texts->addRow("Foot (x axis)", foot_);
  layout->addLayout(texts);
  auto* fonts = new QHBoxLayout;
  fonts->addWidget(TextGroup("Title font", look.TitleFontFamily, look.TitlePixelSize,
                             look.TitleBold, look.TitleItalic, look.TitleColor, title_font_));
  fonts->addWidget(TextGroup("Foot font", look.FootFontFamily, look.FootPixelSize, look.FootBold,
                             look.FootItalic, look.FootColor, foot_font_));
  layout->addLayout(fonts);
  auto* general = new QFormLayout;
  background_ = new ColorButton(look.Background, page);
  background_->setObjectName("background");
  legend_ = new QCheckBox("Show the legend", page);
  legend_->setObjectName("legend");
  legend_->setChecked(look.ShowLegend);
  general->addRow("Background", background_);
  general->addRow("", legend_);
  layout->addLayout(general);
  layout->addStretch();
  return page;
}

QWidget* ChartEditor::AxisGroup(const QString& caption,
                                const std::optional<charts::AxisRange>& range,
                                const charts::AxisRange& shown, const std::optional<double>& step,
                                int minor_ticks, AxisControls& controls) {
  auto* group = new QGroupBox(caption);
  auto* form = new QFormLayout(group);
  controls.Automatic = new QCheckBox("Automatic", group);
  controls.Automatic->setObjectName(caption + " automatic");
  controls.Automatic->setChecked(!range.has_value());
  // An automatic axis offers the range shown now as the start of a fixed one.
  controls.Min = AxisNumber(range ? range->Min : shown.Min, group);
  controls.Min->setObjectName(caption + " minimum");
  controls.Max = AxisNumber(range ? range->Max : shown.Max, group);
  controls.Max->setObjectName(caption + " maximum");
  controls.AutomaticStep = new QCheckBox("Automatic", group);
  controls.AutomaticStep->setChecked(!step.has_value());
  controls.Step = AxisNumber(step.value_or(0.1), group);
  controls.Step->setMinimum(std::pow(10.0, -kAxisDecimals));
  controls.MinorTicks = new QSpinBox(group);
  controls.MinorTicks->setRange(0, 20);
  controls.MinorTicks->setValue(minor_ticks);
  const auto follow = [&controls] {
    controls.Min->setEnabled(!controls.Automatic->isChecked());
    controls.Max->setEnabled(!controls.Automatic->isChecked());
    controls.Step->setEnabled(!controls.AutomaticStep->isChecked());
  };
  connect(controls.Automatic, &QCheckBox::toggled, group, follow);
  connect(controls.AutomaticStep, &QCheckBox::toggled, group, follow);
  follow();
  form->addRow("Range", controls.Automatic);
  form->addRow("Minimum", controls.Min);
  form->addRow("Maximum", controls.Max);
  form->addRow("Labels every", controls.AutomaticStep);
  form->addRow("", controls.Step);
  form->addRow("Minor ticks", controls.MinorTicks);
  return group;
}

QWidget* ChartEditor::BuildAxesPage() {
  const charts::ChartLook& look = settings_.Look;
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  const std::array<double, 4> shown = shown_ranges_.value_or(std::array<double, 4>{0, 1, 0, 1});
  layout->addWidget(AxisGroup("Bottom axis (x)", look.XRange, {shown[0], shown[1]},
                              look.XTickInterval, look.XMinorTicks, x_axis_));
  layout->addWidget(AxisGroup("Left axis (Y)", look.YRange, {shown[2], shown[3]},
                              look.YTickInterval, look.YMinorTicks, y_axis_));
  return page;
}

QWidget* ChartEditor::BuildSeriesPage() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  series_list_ = new QListWidget(page);
  series_list_->setObjectName("series");
  for (const ChartSeries& series : settings_.Model.Series) {
    series_list_->addItem(QString::fromStdString(series.Title));
  }
  layout->addWidget(series_list_, 1);
  auto* form = new QFormLayout;
  series_title_ = new QLineEdit(page);
  series_auto_color_ = new QCheckBox("Chosen by the chart", page);
  series_color_ = new ColorButton(0, page);
  series_color_->setObjectName("series colour");
  marker_size_ = new QSpinBox(page);
  marker_size_->setObjectName("marker size");
  marker_size_->setRange(1, 20);
  marker_size_->setSuffix(" px");
  series_visible_ = new QCheckBox("Visible", page);
  series_visible_->setObjectName("series visible");
  form->addRow("Title", series_title_);
  form->addRow("Colour", series_auto_color_);
  form->addRow("", series_color_);
  form->addRow("Marker size", marker_size_);
  form->addRow("", series_visible_);
  layout->addLayout(form, 1);
  // Choosing a colour ends the automatic choice.
  connect(series_color_, &ColorButton::ColorChanged, this,
          [this] { series_auto_color_->setChecked(false); });
  connect(series_list_, &QListWidget::currentRowChanged, this, [this](int row) {
    KeepSeries();
    ShowSeries(row);
  });
  ShowSeries(-1);
  if (!settings_.Model.Series.empty()) series_list_->setCurrentRow(0);
  return page;
}

void ChartEditor::ShowSeries(int index) {
  const bool valid = index >= 0 && index < static_cast<int>(settings_.Model.Series.size());
  for (QWidget* control : std::initializer_list<QWidget*>{
           series_title_, series_auto_color_, series_color_, marker_size_, series_visible_}) {
    control->setEnabled(valid);
  }
  shown_series_ = valid ? index : -1;
  if (!valid) return;
  const ChartSeries& series = settings_.Model.Series[static_cast<std::size_t>(index)];
  series_title_->setText(QString::fromStdString(series.Title));
  series_auto_color_->setChecked(!series.Color.has_value());
  series_color_->SetColor(drawn_colors_[static_cast<std::size_t>(index)]);
  marker_size_->setValue(series.MarkerSize);
  marker_size_->setEnabled(series.Kind == SeriesKind::kPoints);
  series_visible_->setChecked(series.Visible);
}

void ChartEditor::ReadShownSeries(charts::ChartSettings& settings) const {
  if (shown_series_ < 0) return;
  ChartSeries& series = settings.Model.Series[static_cast<std::size_t>(shown_series_)];
  series.Title = series_title_->text().toStdString();
  if (series_auto_color_->isChecked()) {
    series.Color.reset();
  } else {
    series.Color = series_color_->Color();
  }
  series.MarkerSize = marker_size_->value();
  series.Visible = series_visible_->isChecked();
}

void ChartEditor::KeepSeries() {
  if (shown_series_ < 0) return;
  ReadShownSeries(settings_);
  series_list_->item(shown_series_)->setText(series_title_->text());
}

charts::ChartSettings ChartEditor::Result() const {
  charts::ChartSettings result = settings_;
  ReadShownSeries(result);
  charts::ChartLook& look = result.Look;
  result.Model.TitleLines = LinesOf(title_);
  result.Model.FootLines = LinesOf(foot_);
  look.Background = background_->Color();
  look.ShowLegend = legend_->isChecked();
  const auto read_text = [](const TextControls& controls, std::string& family, int& pixel_size,
                            bool& bold, bool& italic, TColor& color) {
    // A family or size left as shown keeps its value, so that "the
    // application's font" stays that and does not become the family shown.
    if (controls.Family->currentFont().family() != controls.ShownFamily) {
      family = controls.Family->currentFont().family().toStdString();
    }
    if (controls.PixelSize->value() != controls.ShownPixelSize) {
      pixel_size = controls.PixelSize->value();
    }
    bold = controls.Bold->isChecked();
    italic = controls.Italic->isChecked();
    color = controls.Color->Color();
  };
  read_text(title_font_, look.TitleFontFamily, look.TitlePixelSize, look.TitleBold,
            look.TitleItalic, look.TitleColor);
  read_text(foot_font_, look.FootFontFamily, look.FootPixelSize, look.FootBold, look.FootItalic,
            look.FootColor);
  const auto read_axis = [](const AxisControls& controls, std::optional<charts::AxisRange>& range,
                            std::optional<double>& step, int& minor_ticks) {
    if (controls.Automatic->isChecked()) {
      range.reset();
    } else {
      range = charts::AxisRange{controls.Min->value(), controls.Max->value()};
    }
    if (controls.AutomaticStep->isChecked()) {
      step.reset();
    } else {
      step = controls.Step->value();
    }
    minor_ticks = controls.MinorTicks->value();
  };
  read_axis(x_axis_, look.XRange, look.XTickInterval, look.XMinorTicks);
  read_axis(y_axis_, look.YRange, look.YTickInterval, look.YMinorTicks);
  return result;
}

// --- LabelFontDialog.

LabelFontDialog::LabelFontDialog(const PhaseLabelFont& font, QWidget* parent)
    : QDialog(parent), base_(font) {
  setWindowTitle("Font for labels");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  family_ = new QFontComboBox(this);
  family_->setCurrentFont(font.Font);
  size_ = new QSpinBox(this);
  size_->setRange(1, 400);
  size_->setValue(ToSettings(font).Size);
  bold_ = new QCheckBox("Bold", this);
  bold_->setChecked(font.Font.bold());
  italic_ = new QCheckBox("Italic", this);
  italic_->setChecked(font.Font.italic());
  underline_ = new QCheckBox("Underline", this);
  underline_->setChecked(font.Font.underline());
  color_ = new ColorButton(font.Color, this);
  auto* style = new QHBoxLayout;
  style->addWidget(bold_);
  style->addWidget(italic_);
  style->addWidget(underline_);
  form->addRow("Font", family_);
  form->addRow("Size (points)", size_);
  form->addRow("Style", style);
  form->addRow("Colour", color_);
  layout->addLayout(form);
  sample_ = new QLabel("α+β  L+AgMg", this);
  sample_->setMinimumHeight(60);
  sample_->setAlignment(Qt::AlignCenter);
  layout->addWidget(sample_);
  DialogButtons(this, layout);
  connect(family_, &QFontComboBox::currentFontChanged, this, &LabelFontDialog::ShowSample);
  connect(size_, &QSpinBox::valueChanged, this, &LabelFontDialog::ShowSample);
  for (QCheckBox* box : {bold_, italic_, underline_}) {
    connect(box, &QCheckBox::toggled, this, &LabelFontDialog::ShowSample);
  }
  connect(color_, &ColorButton::ColorChanged, this, &LabelFontDialog::ShowSample);
  ShowSample();
}

PhaseLabelFont LabelFontDialog::Result() const {
  LabelFontSettings settings;
  settings.Name = family_->currentFont().family().toStdString();
  settings.Size = size_->value();
  settings.Color = color_->Color();
  settings.Bold = bold_->isChecked();
  settings.Italic = italic_->isChecked();
  settings.Underline = underline_->isChecked();
  return FromSettings(settings, base_.Font);
}

void LabelFontDialog::ShowSample() {
  const PhaseLabelFont font = Result();
  sample_->setFont(font.Font);
  QPalette palette = sample_->palette();
  palette.setColor(QPalette::WindowText, LabelColor(font.Color));
  sample_->setPalette(palette);
}

}  // namespace binodal::app

// The diagram and special points windows, driven off screen: phase labels,
// read-out, zoom, copy, the settings files, and how the main window and its
// runs use them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtCharts/QChartView>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/chart_dialogs.h"
#include "app/diagram_window.h"
#include "app/main_window.h"
#include "app/special_points_window.h"
#include "charts/gui_application.h"
#include "common/file_io.h"
#include "results/diagram_texts.h"
#include "results/phase_diagram.h"
#include "support/bundled_database.h"
#include "support/phase_matrix.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

namespace binodal::app {
namespace {

using testing_support::MatrixOf;
using testing_support::RecordingDialogs;
using testing_support::TempFolder;
using testing_support::WriteBundledDatabase;

std::string FileText(const std::filesystem::path& path) { return ReadWholeFile(path.string()); }

// A mouse event as Qt delivers it: `button` pressed, held while moving, released.
void Mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), changed, held, modifiers);
  QApplication::sendEvent(widget, &event);
}

// A small diagram: a point phase AgX at 0.25 between α and β under a liquid.
class DiagramWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charts::EnsureGuiApplication();
    matrix = MatrixOf({{" Y/X", "0", "0.1", "0.2", "0.25", "0.3", "0.4"},
                       {"1000", "L", "L", "L", "L", "L", "L"},
                       {"900", "α", "E", "E", "AgX-(C)", "E", "β"},
                       {"800", "α", "α", "E", "AgX-(C)", "E", "β"}});
    boundaries = {{0.1, 900, 2, "α"}, {0.4, 900, 6, "β"}, {0.2, 800, 3, "α"}};
    PhaseDiagramInput input;
    input.Matrix = &matrix;
    input.BoundaryPoints = boundaries;
    input.BoundaryLast = 2;
    model = BuildPhaseDiagram(input);
    window = std::make_unique<TfmDiagram2>(dialogs);
    window->resize(800, 600);
    window->ShowDiagram(model, &matrix);
    Settle();
  }
  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }
  static void Settle() {
    for (int pass = 0; pass < 3; ++pass) QApplication::processEvents();
  }
  QWidget* Viewport() const { return window->Chart1()->viewport(); }
  QPoint PixelOf(double x, double y) const { return window->PixelOf(x, y).value().toPoint(); }
  std::vector<std::string> LabelTexts() const {
    std::vector<std::string> texts;
    for (const PhaseLabel* label : window->Labels()) texts.push_back(label->text().toStdString());
    return texts;
  }

  RecordingDialogs dialogs;
  TPhaseMatrix matrix;
  std::vector<TZPoint> boundaries;
  ChartModel model;
  std::unique_ptr<TfmDiagram2> window;
};

TEST_F(DiagramWindowTest, AClickPlacesALabelNamingTheFieldAtThePointer) {
  // With the mouse: press and release without moving.
  const QPoint two_phase = PixelOf(0.15, 950);
  Mouse(Viewport(), QEvent::MouseButtonPress, two_phase, Qt::LeftButton);
  Mouse(Viewport(), QEvent::MouseButtonRelease, two_phase, Qt::LeftButton);
  ASSERT_EQ(LabelTexts(), std::vector<std::string>{"α+AgX"});
  EXPECT_EQ(window->Labels()[0]->pos(), two_phase);
  EXPECT_TRUE(window->Labels()[0]->isVisible());

  PhaseLabel* point_phase = window->ClickAtValue(0.25, 850);
  ASSERT_NE(point_phase, nullptr);
  EXPECT_EQ(point_phase->text(), "AgX");
  // Right of the last column, or below the last row: no label.
  EXPECT_EQ(window->ClickAtValue(0.43, 900), nullptr);
  EXPECT_EQ(window->ClickAtValue(0.2, 790), nullptr);
  EXPECT_EQ(LabelTexts(), (std::vector<std::string>{"α+AgX", "AgX"}));
  // A right click does not place one.
  Mouse(Viewport(), QEvent::MouseButtonPress, two_phase, Qt::RightButton);
  Mouse(Viewport(), QEvent::MouseButtonRelease, two_phase, Qt::RightButton);
  EXPECT_EQ(window->Labels().size(), 2U);

  // New labels take the font chosen now; placed ones keep theirs.
  const PhaseLabelFont before = window->LabelFont;
  PhaseLabelFont big = before;
  big.Font.setPointSize(20);
  big.Color = 0x0000FF;
  window->ChooseLabelFont = [&](const PhaseLabelFont& shown) {
    EXPECT_EQ(shown, before);
    return std::optional<PhaseLabelFont>(big);
  };
  window->Setfontforlabels1Click();
  EXPECT_EQ(window->LabelFont, big);
  EXPECT_EQ(point_phase->LabelFont(), before);
  EXPECT_EQ(window->ClickAtValue(0.35, 850)->LabelFont(), big);
}

TEST_F(DiagramWindowTest, RightClickEditsTheTextAndAltRightClickRemovesTheLabel) {
  PhaseLabel* label = window->ClickAtValue(0.15, 950);
  ASSERT_NE(label, nullptr);
  std::optional<QString> answer = QString("L + α");
  QString shown;
  window->EditCaptionPrompt = [&](const QString& text) {
    shown = text;
    return answer;
  };
  Mouse(label, QEvent::MouseButtonPress, QPoint(2, 2), Qt::RightButton);
  EXPECT_EQ(shown, "α+AgX");
  EXPECT_EQ(label->text(), "L + α");
  answer.reset();  // cancelled
  window->RightClickLabel(label, false);
  EXPECT_EQ(label->text(), "L + α");

  Mouse(label, QEvent::MouseButtonPress, QPoint(2, 2), Qt::RightButton, Qt::AltModifier);
  EXPECT_TRUE(window->Labels().empty());
  EXPECT_FALSE(label->isVisible());
}

TEST_F(DiagramWindowTest, DraggingMovesTheLabelsCornerToTheDropPoint) {
  PhaseLabel* label = window->ClickAtValue(0.15, 950);
  ASSERT_NE(label, nullptr);
  const QPoint start = label->pos();
  // A click without moving leaves the label where it is.
  Mouse(label, QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton);
  Mouse(label, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::LeftButton);
  EXPECT_EQ(label->pos(), start);
  EXPECT_EQ(window->Labels().size(), 1U);

  Mouse(label, QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton);
  Mouse(label, QEvent::MouseMove, QPoint(40, 23), Qt::LeftButton);
  // Released on itself: the pointer is 3, 3 into the moved label.
  Mouse(label, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::LeftButton);
  EXPECT_EQ(label->pos(), start + QPoint(43, 26));

  // A drop outside the chart puts it back where the drag began.
  const QPoint before = label->pos();
  window->DropLabel(label, QPoint(-50, 10), before);
  EXPECT_EQ(label->pos(), before);
  window->DropLabel(label, QPoint(100, 120), before);
  EXPECT_EQ(label->pos(), QPoint(100, 120));
}

TEST_F(DiagramWindowTest, ZoomScrollAndRebuildFreeTheLabels) {
  const auto unzoomed = window->ShownRanges().value();
  EXPECT_FALSE(window->UndoZoomButton()->isVisibleTo(window.get()));
  window->ClickAtValue(0.15, 950);
  window->ClickAtValue(0.35, 850);
  ASSERT_EQ(window->Labels().size(), 2U);

  window->ZoomTo(0.3, 0.1, 850, 950);
  EXPECT_TRUE(window->Zoomed());
  EXPECT_TRUE(window->UndoZoomButton()->isVisibleTo(window.get()));
  EXPECT_TRUE(window->Labels().empty());
  EXPECT_EQ(window->ShownRanges().value(), (std::array<double, 4>{0.1, 0.3, 850, 950}));

  // Labels placed in the zoomed view go with the undo.
  window->ClickAtValue(0.15, 900);
  EXPECT_EQ(window->Labels().size(), 1U);
  window->UndoZoomButton()->click();
  EXPECT_FALSE(window->Zoomed());
  EXPECT_FALSE(window->UndoZoomButton()->isVisibleTo(window.get()));
  EXPECT_TRUE(window->Labels().empty());
  EXPECT_EQ(window->ShownRanges().value(), unzoomed);

  // A rubber band from top-left to bottom-right zooms to it ...
  const QPoint from = PixelOf(0.1, 950);
  const QPoint to = PixelOf(0.3, 850);
  Mouse(Viewport(), QEvent::MouseButtonPress, from, Qt::LeftButton);
  Mouse(Viewport(), QEvent::MouseMove, from + QPoint(30, 30), Qt::LeftButton);
  Mouse(Viewport(), QEvent::MouseMove, to, Qt::LeftButton);
  Mouse(Viewport(), QEvent::MouseButtonRelease, to, Qt::LeftButton);
  ASSERT_TRUE(window->Zoomed());
  const auto band = window->ShownRanges().value();
  EXPECT_NEAR(band[0], 0.1, 0.01);
  EXPECT_NEAR(band[1], 0.3, 0.01);
  EXPECT_NEAR(band[2], 850, 5);
  EXPECT_NEAR(band[3], 950, 5);
  EXPECT_TRUE(window->Labels().empty()) << "the release of a zoom places no label";
  // ... and one drawn the other way undoes it.
  Mouse(Viewport(), QEvent::MouseButtonPress, to, Qt::LeftButton);
  Mouse(Viewport(), QEvent::MouseMove, from, Qt::LeftButton);
  Mouse(Viewport(), QEvent::MouseButtonRelease, from, Qt::LeftButton);
  EXPECT_FALSE(window->Zoomed());
  EXPECT_EQ(window->ShownRanges().value(), unzoomed);

  // Scrolling counts as a zoom; a rebuild of the diagram undoes it.
  window->ClickAtValue(0.15, 950);
  window->ScrollBy(QPointF(0, 50));
  EXPECT_TRUE(window->Zoomed());
  EXPECT_TRUE(window->Labels().empty());
  EXPECT_GT(window->ShownRanges().value()[2], unzoomed[2]);
  window->ClickAtValue(0.15, 950);
  window->ShowDiagram(model, &matrix);
  EXPECT_FALSE(window->Zoomed());
  EXPECT_FALSE(window->UndoZoomButton()->isVisibleTo(window.get()));
  EXPECT_TRUE(window->Labels().empty());
  EXPECT_EQ(window->ShownRanges().value(), unzoomed);
}

TEST_F(DiagramWindowTest, ReadoutShowsOverThePlotOnly) {
  const auto expected = [this](QPoint pixel) {
    const QPointF value = window->ValueAt(pixel).value();
    return QString::fromStdString(ReadoutText(value.x(), value.y(), "T, K"));
  };
  const QPoint inside = PixelOf(0.25, 850);
  window->MouseMovedTo(inside);
  EXPECT_TRUE(window->Label1()->isVisibleTo(window.get()));
  EXPECT_EQ(window->Label1()->text(), expected(inside));
  EXPECT_TRUE(window->Label1()->text().startsWith("X = 2.5"))
      << window->Label1()->text().toStdString();
  window->MouseMovedTo(QPoint(2, 2));  // the margin
  EXPECT_FALSE(window->Label1()->isVisibleTo(window.get()));
  // The mouse itself, back over the plot.
  const QPoint other = PixelOf(0.1, 880);
  Mouse(Viewport(), QEvent::MouseMove, other, Qt::NoButton);
  EXPECT_TRUE(window->Label1()->isVisibleTo(window.get()));
  EXPECT_EQ(window->Label1()->text(), expected(other));
}

TEST_F(DiagramWindowTest, CopyPutsTheChartWithItsLabelsOnTheClipboard) {
  window->ClickAtValue(0.35, 850)->SetLabelText("beta-Label");
  window->sbCopyClick();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  ASSERT_TRUE(data->hasFormat("image/svg+xml"));
  const QByteArray svg = data->data("image/svg+xml");
  EXPECT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
  EXPECT_TRUE(svg.contains("beta-Label"));
  EXPECT_TRUE(svg.contains("T, K"));
  ASSERT_TRUE(data->hasImage());
  const QImage image = qvariant_cast<QImage>(data->imageData());
  EXPECT_EQ(image.size(), window->Chart1()->size() - QSize(1, 1));
}

TEST_F(DiagramWindowTest, ChartEditorResultIsShownAndTheFootTakenOnlyWhenEdited) {
  // A diagram whose foot comes from an "#XCAP=" caption.
  ChartModel captioned = model;
  captioned.FootLines = {"x(Si)"};
  window->ShowDiagram(captioned, &matrix);
  window->ClickAtValue(0.15, 950);
  window->EditChart = [](charts::ChartSettings& settings) {
    settings.Look.Background = 0xF0FBFF;
    settings.Look.YRange = charts::AxisRange{700, 1100};
    return true;
  };
  window->sbEditClick();
  EXPECT_EQ(window->Look().Background, 0xF0FBFFU);
  EXPECT_EQ(window->ShownRanges().value()[2], 700);
  EXPECT_EQ(window->FootText, std::string(kDefaultFootText));
  EXPECT_EQ(window->Labels().size(), 1U) << "an unzoomed chart keeps its labels";

  window->EditChart = [](charts::ChartSettings& settings) {
    settings.Model.FootLines = {"x(B)", "second"};
    return true;
  };
  window->sbEditClick();
  EXPECT_EQ(window->FootText, "x(B)\nsecond");
  window->EditChart = [](charts::ChartSettings& settings) {
    settings.Model.FootLines = {"cancelled"};
    return false;
  };
  window->sbEditClick();
  EXPECT_EQ(window->Model().FootLines, (std::vector<std::string>{"x(B)", "second"}));
}

TEST_F(DiagramWindowTest, ChartEditorReadsBackWhatItShowsAndWhatWasChanged) {
  const charts::ChartSettings settings{model, charts::PhaseDiagramLook()};
  ChartEditor editor(settings, window->ShownRanges(), window.get());
  EXPECT_EQ(editor.Result(), settings) << "OK without a change changes nothing";

  editor.findChild<QPlainTextEdit*>("title")->setPlainText("p, bar\nsecond line");
  editor.findChild<QCheckBox*>("legend")->setChecked(true);
  editor.findChild<QCheckBox*>("Bottom axis (x) automatic")->setChecked(false);
  editor.findChild<QDoubleSpinBox*>("Bottom axis (x) minimum")->setValue(0.05);
  editor.findChild<QDoubleSpinBox*>("Bottom axis (x) maximum")->setValue(0.35);
  auto* series = editor.findChild<QListWidget*>("series");
  series->setCurrentRow(1);
  editor.findChild<QSpinBox*>("marker size")->setValue(5);
  editor.findChild<QCheckBox*>("series visible")->setChecked(false);
  series->setCurrentRow(0);  // the edits of series 1 are kept when another is shown

  charts::ChartSettings expected = settings;
  expected.Model.TitleLines = {"p, bar", "second line"};
  expected.Look.ShowLegend = true;
  expected.Look.XRange = charts::AxisRange{0.05, 0.35};
  expected.Model.Series[1].MarkerSize = 5;
  expected.Model.Series[1].Visible = false;
  EXPECT_EQ(editor.Result(), expected);
}

TEST_F(DiagramWindowTest, SettingsFilesComeBackAtTheNextStart) {
  TempFolder folder;
  window->LoadSettings(folder.str());  // no files: the design defaults
  EXPECT_EQ(window->FootText, std::string(kDefaultFootText));
  LabelFontSettings font{"MS Sans Serif", 10, 0x0000FF, true, true, false};
  window->LabelFont = FromSettings(font, QApplication::font());
  window->EditChart = [](charts::ChartSettings& settings) {
    settings.Look.ShowLegend = true;
    settings.Look.TitleBold = true;
    settings.Look.XRange = charts::AxisRange{0.1, 0.3};
    settings.Model.FootLines = {"x of B"};
    return true;
  };
  window->sbEditClick();
  window->ZoomTo(0.1, 0.2, 900, 950);
  window->SaveSettings(folder.str());
  EXPECT_TRUE(dialogs.entries.empty());

  EXPECT_EQ(FileText(folder / "fntLabel.cfg"),
            "MS Sans Serif\r\n10\r\nclRed\r\nfsBold\r\nfsItalic\r\n");
  const charts::ChartSettings saved = charts::ReadChartSettings(FileText(folder / "Chart.cfg"));
  EXPECT_EQ(saved.Look.XRange, std::nullopt) << "axes are saved automatic";
  EXPECT_TRUE(saved.Look.ShowLegend);
  EXPECT_EQ(saved.Model.FootLines, std::vector<std::string>{"x of B"});
  EXPECT_EQ(saved.Model.Series.size(), model.Series.size());
  EXPECT_EQ(saved.Model.Series[0].Points, model.Series[0].Points);

  TfmDiagram2 next(dialogs);
  next.LoadSettings(folder.str());
  EXPECT_TRUE(dialogs.entries.empty());
  EXPECT_EQ(ToSettings(next.LabelFont), font);
  EXPECT_EQ(next.Look(), saved.Look);
  EXPECT_EQ(next.Model(), saved.Model);
  EXPECT_EQ(next.FootText, "x of B");
  next.SaveSettings(folder.str());
  EXPECT_EQ(FileText(folder / "fntLabel.cfg"),
            "MS Sans Serif\r\n10\r\nclRed\r\nfsBold\r\nfsItalic\r\n");
}

TEST_F(DiagramWindowTest, UnreadableSettingsFilesAreReportedAndKept) {
  TempFolder folder;
  const std::string font_file = "Courier\r\n12\r\nreddish\r\nfsBold\r\n";
  const std::string chart_file = "[Settings]\r\nSomeone=else\r\n";  // another program's
  WriteWholeFile((folder / "fntLabel.cfg").string(), font_file);
  WriteWholeFile((folder / "Chart.cfg").string(), chart_file);
  TfmDiagram2 other(dialogs);
  other.LoadSettings(folder.str());
  ASSERT_EQ(dialogs.entries.size(), 2U);
  EXPECT_EQ(dialogs.entries[0].kind, "error");
  EXPECT_NE(dialogs.entries[0].text.find("not a chart settings file"), std::string::npos);
  EXPECT_EQ(dialogs.entries[1].text, "'reddish' is not a valid integer value");
  // Applied up to the bad line.
  EXPECT_EQ(other.LabelFont.Font.family(), "Courier");
  EXPECT_EQ(other.LabelFont.Font.pointSize(), 12);
  EXPECT_FALSE(other.LabelFont.Font.bold());
  EXPECT_EQ(other.Look(), charts::PhaseDiagramLook());

  other.SaveSettings(folder.str());
  EXPECT_EQ(FileText(folder / "fntLabel.cfg"), font_file);
  EXPECT_EQ(FileText(folder / "Chart.cfg"), chart_file);

  // A font chosen by the user is saved all the same.
  other.ChooseLabelFont = [](const PhaseLabelFont& font) {
    return std::optional<PhaseLabelFont>(font);
  };
  other.Setfontforlabels1Click();
  other.SaveSettings(folder.str());
  EXPECT_EQ(FileText(folder / "fntLabel.cfg"), "Courier\r\n12\r\nclBlack\r\n");
  EXPECT_EQ(FileText(folder / "Chart.cfg"), chart_file);
}

// --- With the main window and real runs.

class MainWindowDiagramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charts::EnsureGuiApplication();
    ASSERT_NO_FATAL_FAILURE(WriteBundledDatabase(folder.str(), {"Ag+Cu", "Mg+Si"}));
    window = std::make_unique<TfmMain>(dialogs);
    window->OutputFolder = folder.str();
    ASSERT_TRUE(window->StartDatabase(folder.str()));
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }
  // Makes `name` current with a coarse grid, so that runs stay short.
  void Select(const std::string& name, int y_points = 20, std::optional<double> ymax = {}) {
    TStoreTable& systems = window->DM().tblSystems;
    ASSERT_TRUE(systems.Locate("System_designation", name));
    systems.Edit();
    systems.FieldByName("Xpoints").SetAsInteger(60);
    systems.FieldByName("Ypoints").SetAsInteger(y_points);
    if (ymax) systems.FieldByName("Ymax").SetAsFloat(*ymax);
    systems.Post();
  }
  std::vector<std::vector<std::string>> TableTexts() const {
    const QTableWidget* table = window->SpecialPointsWindow()->sgSpecPoints();
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < table->columnCount(); ++c) {
      header.push_back(table->horizontalHeaderItem(c)->text().toStdString());
    }
    rows.push_back(header);
    for (int r = 0; r < table->rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* item = table->item(r, c);
        row.push_back(item == nullptr ? "" : item->text().toStdString());
      }
      rows.push_back(row);
    }
    return rows;
  }
  static std::vector<std::vector<std::string>> Expected(const SpecialPointsTable& table) {
    std::vector<std::vector<std::string>> rows = {{table.Headers.begin(), table.Headers.end()}};
    for (const auto& row : table.Rows) rows.emplace_back(row.begin(), row.end());
    return rows;
  }

  TempFolder folder;
  RecordingDialogs dialogs;
  std::unique_ptr<TfmMain> window;
};

TEST_F(MainWindowDiagramTest, ARunShowsItsDiagramAndEnablesTheDiagramButton) {
  TfmDiagram2* diagram = window->DiagramWindow();
  EXPECT_FALSE(window->DiagramButton()->isEnabled());
  EXPECT_FALSE(diagram->isVisible());
  EXPECT_EQ(diagram->windowTitle(), "Diagram");
  Select("Ag+Cu");
  window->RunButton()->click();
  ASSERT_TRUE(dialogs.entries.empty()) << dialogs.entries.front().text;
  EXPECT_TRUE(window->DiagramButton()->isEnabled());
  EXPECT_TRUE(diagram->isVisible());
  EXPECT_EQ(diagram->windowTitle(), "Ag+Cu");
  EXPECT_EQ(diagram->Model(), window->Diagram());
  EXPECT_EQ(diagram->Model().Series.back().Title, "Experimental points");
  EXPECT_FALSE(window->SpecialPointsWindow()->isVisible());
  // The list of other special points follows every diagram build.
  const QListWidget* list = window->SpecialPointsWindow()->ListBox1();
  ASSERT_EQ(list->count(), static_cast<int>(window->Run().Results.OtherSpecialPoints.size()));
  for (int i = 0; i < list->count(); ++i) {
    const TOtherSpecialPoint& point = window->Run().Results.OtherSpecialPoints[i];
    EXPECT_EQ(list->item(i)->text().toStdString(), point.Text);
    EXPECT_EQ(list->item(i)->data(Qt::UserRole).toDouble(), point.X);
  }

  // Labels name the run's fields; closing hides the window, its content stays.
  QApplication::processEvents();
  PhaseLabel* label = diagram->ClickAtValue(0.5, 800);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "FCC_A1+FCC_A1");
  diagram->close();
  EXPECT_FALSE(diagram->isVisible());
  EXPECT_EQ(diagram->Labels().size(), 1U);
  // "&Diagram" rebuilds and shows it: unzoomed and without labels.
  diagram->ZoomTo(0.2, 0.4, 900, 1000);
  window->DiagramButton()->click();
  EXPECT_TRUE(diagram->isVisible());
  EXPECT_TRUE(diagram->Labels().empty());
  EXPECT_FALSE(diagram->Zoomed());
  EXPECT_EQ(diagram->Model(), window->Diagram());
}

TEST_F(MainWindowDiagramTest, SpecialPointsButtonsFillTheNodesTableInTheirFormats) {
  Select("Ag+Cu");
  window->SpecialPointsButton()->click();  // before any run: header and one empty row
  EXPECT_TRUE(window->SpecialPointsWindow()->isVisible());
  EXPECT_EQ(TableTexts(), (std::vector<std::vector<std::string>>{
                              {" T", " X(left)", " X", " X(right)"}, {"", "", "", ""}}));
  window->SpecialPointsWindow()->close();

  window->RunButton()->click();
  const std::vector<TNode> nodes = window->Run().Results.NodeList;
  ASSERT_FALSE(nodes.empty());
  EXPECT_FALSE(window->SpecialPointsWindow()->isVisible()) << "a hidden window stays hidden";
  window->SpecialPointsButton()->click();
  EXPECT_EQ(TableTexts(),
            Expected(MakeSpecialPointsTable(nodes, kYTemperature, NodeYFormat::kMainWindow)));
  // The diagram window's button: small Y values in scientific form.
  window->Run().Results.NodeList[0].Y = 0.0004;
  window->DiagramWindow()->sbSpecialPointsClick();
  EXPECT_EQ(TableTexts()[1][0], " 4e-04");
  window->SpecialPointsButton()->click();
  EXPECT_EQ(TableTexts()[1][0], " 0");

  // An open window follows the next completed run.
  Select("Mg+Si");
  window->RunButton()->click();
  ASSERT_TRUE(dialogs.entries.empty()) << dialogs.entries.front().text;
  EXPECT_EQ(TableTexts(),
            Expected(MakeSpecialPointsTable(window->Run().Results.NodeList, kYTemperature,
                                            NodeYFormat::kMainWindow)));
  EXPECT_EQ(window->DiagramWindow()->windowTitle(), "Mg+Si");
}

TEST_F(MainWindowDiagramTest, DiagramAfterAStopAtTheFirstRowShowsNoInventedNodes) {
  // A window whose event processing stops the run after its first row.
  struct StopAfterFirstRow : RecordingDialogs {
    TfmMain* main = nullptr;
    void ProcessPendingEvents() override {
      RecordingDialogs::ProcessPendingEvents();
      if (pending_events_processed == 2) main->Run().RequestStop();
    }
  } stopper;
  TfmMain main(stopper);
  stopper.main = &main;
  main.OutputFolder = folder.str();
  ASSERT_TRUE(main.StartDatabase(folder.str()));
  // Below both eutectics: Mg, Mg2Si and Si with two-phase fields between,
  // five segments that an empty row below would face.
  TStoreTable& systems = main.DM().tblSystems;
  ASSERT_TRUE(systems.Locate("System_designation", "Mg+Si"));
  systems.Edit();
  systems.FieldByName("Ymax").SetAsFloat(700);
  systems.FieldByName("Xpoints").SetAsInteger(60);
  systems.Post();
  main.RunButton()->click();
  ASSERT_EQ(main.Run().RowsComputed(), 1);
  ASSERT_EQ(main.Run().Results.PhaseMatrix.sg2RowCount(), 3);
  EXPECT_TRUE(main.DiagramButton()->isEnabled());
  EXPECT_FALSE(main.DiagramWindow()->isVisible());
  main.DiagramButton()->click();
  EXPECT_TRUE(main.DiagramWindow()->isVisible());
  EXPECT_TRUE(main.Run().Results.NodeList.empty());
  EXPECT_EQ(main.Diagram().Series[1].Points, std::vector<ChartPoint>{});
}

TEST_F(MainWindowDiagramTest, ClosingTheProgramWritesTheSettingsFiles) {
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(std::filesystem::exists(folder / "Chart.cfg"));
  EXPECT_TRUE(std::filesystem::exists(folder / "fntLabel.cfg"));
  // The next start reads them.
  TfmMain next(dialogs);
  next.OutputFolder = folder.str();
  ASSERT_TRUE(next.StartDatabase(folder.str()));
  EXPECT_EQ(ToSettings(next.DiagramWindow()->LabelFont),
            ToSettings(window->DiagramWindow()->LabelFont));
}

}  // namespace
}  // namespace binodal::app

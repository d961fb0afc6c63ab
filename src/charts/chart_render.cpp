#include "charts/chart_render.h"

#include <memory>
#include <stdexcept>
#include <string_view>

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QChart>

#include "charts/chart_builder.h"
#include "charts/gui_application.h"
#include "common/file_io.h"

namespace binodal::charts {
namespace {

// The SVG file states its size in millimetres; one pixel of the picture is
// one pixel of a usual screen.
constexpr int kScreenDpi = 96;

void CheckSize(ImageSize size) {
  if (size.Width < 1 || size.Height < 1) {
    throw std::invalid_argument("A chart picture needs a width and a height of at least 1 pixel");
  }
}

// The chart of `model`, laid out at `size` in a scene of its own. Needs the
// application object before it is made.
class ChartScene {
 public:
  ChartScene(const ChartModel& model, const ChartLook& look, ImageSize size)
      : rect_(0, 0, size.Width, size.Height) {
    std::unique_ptr<QChart> chart = BuildChart(model, look);
    chart->setGeometry(rect_);
    scene_.setSceneRect(rect_);
    scene_.addItem(chart.release());  // the scene owns the chart now
    // Layout requests are posted events; handle them now so that the axes and
    // series are placed before drawing.
    QCoreApplication::sendPostedEvents();
  }

  void Draw(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene_.render(&painter, rect_, rect_);
  }

 private:
  QRectF rect_;
  QGraphicsScene scene_;
};

void WriteBytes(const std::string& path, const QByteArray& bytes) {
  WriteWholeFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

void RenderChartToSvg(const ChartModel& model, const std::string& path, ImageSize size,
                      const ChartLook& look) {
  CheckSize(size);
  EnsureGuiApplication();
  ChartScene scene(model, look, size);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(size.Width, size.Height));
  generator.setViewBox(QRect(0, 0, size.Width, size.Height));
  generator.setResolution(kScreenDpi);
  generator.setTitle(QStringLiteral("Binodal chart"));
  QPainter painter;
  if (!painter.begin(&generator)) {
    throw std::runtime_error("Cannot draw the SVG picture for " + path);
  }
  scene.Draw(painter);
  painter.end();
  WriteBytes(path, bytes);
}

void RenderChartToPng(const ChartModel& model, const std::string& path, ImageSize size,
                      const ChartLook& look) {
  CheckSize(size);
  EnsureGuiApplication();
  ChartScene scene(model, look, size);
  QImage image(size.Width, size.Height, QImage::Format_RGB32);
  if (image.isNull()) {
    throw std::runtime_error("Not enough memory for the picture " + path);
  }
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    scene.Draw(painter);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    throw std::runtime_error("Cannot encode the PNG picture " + path);
  }
  WriteBytes(path, bytes);
}

void RenderPhaseDiagramFiles(const ChartModel& model, const std::string& svg_path,
                             const std::string& png_path) {
  if (!svg_path.empty()) RenderChartToSvg(model, svg_path);
  if (!png_path.empty()) RenderChartToPng(model, png_path);
}

}  // namespace binodal::charts

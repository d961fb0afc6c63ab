// The mosaic picture: pixels, rows and circles where the run puts them.
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QImage>

#include "charts/mosaic.h"
#include "charts_test_util.h"

namespace binodal::charts {
namespace {

using charts_test::TempFolder;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kMosaicGreen = 12639424;  // red 192, green 220, blue 192
constexpr TColor kWhite = 0xFFFFFF;

// The pixels of `image` whose colour differs from `background`.
std::vector<std::pair<int, int>> Changed(const MosaicImage& image, TColor background = kWhite) {
  std::vector<std::pair<int, int>> changed;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      if (image.Pixel(x, y) != background) changed.emplace_back(x, y);
    }
  }
  return changed;
}

TEST(MosaicTest, NewPictureIsWhite) {
  const MosaicImage image(30, 20);
  EXPECT_EQ(image.Width(), 30);
  EXPECT_EQ(image.Height(), 20);
  EXPECT_TRUE(Changed(image).empty());
  EXPECT_THROW(MosaicImage(0, 5), std::invalid_argument);
  EXPECT_THROW((void)image.Pixel(30, 0), std::out_of_range);
}

TEST(MosaicTest, PixelsKeepTheirColourChannels) {
  MosaicImage image(10, 10);
  image.SetPixel(2, 3, kRed);
  image.SetPixel(4, 5, kMosaicGreen);
  EXPECT_EQ(image.Pixel(2, 3), kRed);
  EXPECT_EQ(QColor(image.Image().pixel(2, 3)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(image.Image().pixel(4, 5)), QColor(192, 220, 192));
  EXPECT_EQ(Changed(image).size(), 2u);
  // Outside the picture: nothing happens.
  image.SetPixel(-1, 3, kRed);
  image.SetPixel(10, 3, kRed);
  image.SetPixel(3, 10, kRed);
  EXPECT_EQ(Changed(image).size(), 2u);
}

TEST(MosaicTest, RowStretchesIncludeBothEndsAndAreClipped) {
  MosaicImage image(20, 6);
  image.HLine(7, 3, 1, kMosaicGreen);  // ends in either order
  const auto changed = Changed(image);
  ASSERT_EQ(changed.size(), 5u);
  EXPECT_EQ(changed.front(), std::make_pair(3, 1));
  EXPECT_EQ(changed.back(), std::make_pair(7, 1));

  image.HLine(-5, 25, 2, kMosaicGreen);  // a row one pixel past each edge and more
  image.HLine(4, 4, 3, kMosaicGreen);    // a single pixel
  image.HLine(0, 5, 6, kMosaicGreen);    // below the picture
  image.HLine(21, 30, 4, kMosaicGreen);  // right of the picture
  EXPECT_EQ(Changed(image).size(), 5u + 20u + 1u);
  EXPECT_EQ(image.Pixel(0, 2), kMosaicGreen);
  EXPECT_EQ(image.Pixel(19, 2), kMosaicGreen);
  EXPECT_EQ(image.Pixel(4, 3), kMosaicGreen);
}

TEST(MosaicTest, EllipseStaysInsideItsBox) {
  MosaicImage image(30, 30);
  image.HLine(0, 29, 12, kMosaicGreen);
  // The 4 x 4 box around the point (12, 12), as the run draws a point phase.
  const MosaicBox box{10, 10, 14, 14};
  image.Ellipse(box, kRed);
  int red = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const bool inside = x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom;
      const TColor pixel = image.Pixel(x, y);
      if (pixel == kRed) {
        ++red;
        EXPECT_TRUE(inside) << x << "," << y;
      } else if (!inside) {
        EXPECT_EQ(pixel, y == 12 ? kMosaicGreen : kWhite) << x << "," << y;
      }
    }
  }
  EXPECT_GE(red, 8);

  // With a fill, the middle takes the fill colour; an empty box draws nothing.
  image.Ellipse({0, 20, 9, 29}, kRed, kWhite);
  EXPECT_EQ(image.Pixel(4, 24), kWhite);
  EXPECT_EQ(image.Pixel(4, 20), kRed);
  const MosaicImage before = image;
  image.Ellipse({5, 5, 5, 9}, kRed);
  EXPECT_EQ(Changed(image), Changed(before));
}

TEST(MosaicTest, PngKeepsEveryPixel) {
  TempFolder folder;
  MosaicImage image(17, 9);
  image.HLine(2, 12, 4, kMosaicGreen);
  image.Ellipse({5, 0, 9, 4}, kRed);
  image.SetPixel(16, 8, 0x123456);
  const std::string path = folder.File("mosaic.png");
  image.SavePng(path);

  QImage loaded;
  ASSERT_TRUE(loaded.load(QString::fromStdString(path), "PNG"));
  ASSERT_EQ(loaded.size(), QSize(17, 9));
  std::vector<TColor> pixels;
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 17; ++x) {
      EXPECT_EQ(loaded.pixel(x, y), image.Image().pixel(x, y)) << x << "," << y;
      pixels.push_back(image.Pixel(x, y));
    }
  }

  // The same pixels handed over as plain colours give the same picture.
  const std::string copy = folder.File("copy.png");
  SaveMosaicPng(17, 9, pixels, copy);
  QImage reloaded;
  ASSERT_TRUE(reloaded.load(QString::fromStdString(copy), "PNG"));
  EXPECT_EQ(reloaded.convertToFormat(QImage::Format_RGB32),
            loaded.convertToFormat(QImage::Format_RGB32));
  EXPECT_THROW(SaveMosaicPng(17, 8, pixels, copy), std::invalid_argument);
}

TEST(MosaicTest, SaveFailureNamesTheFile) {
  TempFolder folder;
  const std::string path = folder.File("missing/mosaic.png");
  try {
    MosaicImage(4, 4).SavePng(path);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace binodal::charts

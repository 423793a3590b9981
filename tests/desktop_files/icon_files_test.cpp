// The icon theme's files, as the build draws them for the desktop: the program's own
// icon at each size, pixel for pixel, transparency included, and the scalable drawing
// of the same pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "gui/icons.h"

namespace tirv {
namespace {

QImage AsArgb(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }

int CountDifferingPixels(const QImage& a, const QImage& b) {
  int differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) ++differing;
    }
  }
  return differing;
}

// Paints the rectangles of the scalable icon, as the build writes them, on a transparent
// image; counts in `shapes` the elements that are not such a rectangle.
QImage PaintSvg(const std::string& svg, int size, int& shapes) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(0);
  shapes = -3;  // <?xml ...?>, <svg ...> and </svg>
  for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
    int x = 0, y = 0, width = 0, end = 0;
    unsigned rgb = 0;
    if (std::sscanf(svg.c_str() + at,
                    "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"#%6x\"/>%n", &x, &y,
                    &width, &rgb, &end) != 4 ||
        end == 0) {
      ++shapes;
      continue;
    }
    for (int i = 0; i < width; ++i) {
      if (x + i >= 0 && x + i < size && y >= 0 && y < size) {
        image.setPixel(x + i, y, 0xFF000000u | rgb);
      }
    }
  }
  return image;
}

class IconFilesTest : public ::testing::Test {
 protected:
  int argc_ = 1;
  char name_[16] = "icon_files_test";
  char* argv_[2] = {name_, nullptr};
  QGuiApplication application_{argc_, argv_};
};

TEST_F(IconFilesTest, EachSizeIsTheProgramIconPixelForPixel) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const QString path = QStringLiteral(TIRV_ICON_DIR "/%1x%1/tirvane-editor.png").arg(size);
    QImage loaded;
    ASSERT_TRUE(loaded.load(path, "PNG")) << path.toStdString();
    const QImage file = AsArgb(loaded);
    const QImage expected = AsArgb(ProgramIconPixmap(size).toImage());
    ASSERT_EQ(file.width(), size);
    ASSERT_EQ(file.height(), size);
    EXPECT_EQ(CountDifferingPixels(file, expected), 0);
    EXPECT_EQ(qAlpha(file.pixel(0, 0)), 0) << "the background must stay transparent";
  }
}

TEST_F(IconFilesTest, TheScalableIconDrawsTheSamePixels) {
  std::ifstream in(TIRV_ICON_DIR "/scalable/tirvane-editor.svg", std::ios::binary);
  ASSERT_TRUE(in) << "no scalable icon";
  const std::string svg{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(svg.find("viewBox=\"0 0 32 32\""), std::string::npos) << svg.substr(0, 200);
  int otherShapes = 0;
  const QImage drawn = PaintSvg(svg, 32, otherShapes);
  EXPECT_EQ(otherShapes, 0) << "elements besides the pixel rows";
  EXPECT_EQ(CountDifferingPixels(drawn, AsArgb(ProgramIconPixmap(32).toImage())), 0);
}

}  // namespace
}  // namespace tirv

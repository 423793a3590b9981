// The icon theme's PNG files, as the build draws them for the desktop: the program's
// own icon at each size, pixel for pixel, transparency included.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>

#include "icons.h"

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

TEST(IconFilesTest, EachSizeIsTheProgramIconPixelForPixel) {
  int argc = 1;
  char name[] = "icon_files_test";
  char* argv[] = {name, nullptr};
  QGuiApplication application(argc, argv);
  for (int size : {16, 32, 48}) {
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

}  // namespace
}  // namespace tirv

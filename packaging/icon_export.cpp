// tirv-icon-export: writes the program icon for the desktop's icon theme.
//
//   tirv-icon-export <size> <file.png>
//   tirv-icon-export scalable <file.svg>
//
// 16 and 32 are the program's own images, pixel for pixel; any other size is the 32x32
// image scaled with hard pixel edges, which keeps the 16-colour drawing crisp (smoothing
// it at 48 blurs every line). "scalable" draws the 32x32 image as SVG: one square per
// pixel, a row's neighbours of one colour joined into one rectangle.
// Needs a Qt platform; the build runs it with QT_QPA_PLATFORM=offscreen.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gui/icons.h"

namespace {

bool ParseSize(const char* text, int& size) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 8 || value > 1024) return false;
  size = static_cast<int>(value);
  return true;
}

// The image as SVG, with the image's pixels as the units of its view box.
std::string SvgOf(const QImage& image) {
  const int w = image.width();
  const int h = image.height();
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  char line[200];
  std::snprintf(line, sizeof line,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                "viewBox=\"0 0 %d %d\" shape-rendering=\"crispEdges\">\n",
                w, h, w, h);
  svg += line;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w;) {
      const QRgb colour = image.pixel(x, y);
      int run = 1;
      while (x + run < w && image.pixel(x + run, y) == colour) ++run;
      if (qAlpha(colour) == 255) {
        std::snprintf(
            line, sizeof line,
            "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"#%02x%02x%02x\"/>\n", x, y,
            run, qRed(colour), qGreen(colour), qBlue(colour));
        svg += line;
      }
      x += run;
    }
  }
  svg += "</svg>\n";
  return svg;
}

bool WriteFile(const char* path, const std::string& text) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  int size = 0;
  const bool scalable = argc == 3 && std::strcmp(argv[1], "scalable") == 0;
  if (argc != 3 || (!scalable && !ParseSize(argv[1], size))) {
    std::fputs(
        "usage: tirv-icon-export <size 8..1024> <file.png>\n"
        "       tirv-icon-export scalable <file.svg>\n",
        stderr);
    return 2;
  }
  QGuiApplication application(argc, argv);
  const QImage image = tirv::ProgramIconPixmap(scalable ? 32 : size)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32);
  bool written = false;
  if (scalable) {
    // Every pixel is either opaque or fully transparent in the 16-colour drawing.
    written = image.width() == 32 && WriteFile(argv[2], SvgOf(image));
  } else {
    written = image.width() == size && image.height() == size &&
              image.save(QString::fromLocal8Bit(argv[2]), "PNG");
  }
  if (!written) {
    std::fprintf(stderr, "tirv-icon-export: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}

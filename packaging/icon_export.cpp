// tirv-icon-export: writes the program icon as a PNG image for the desktop's icon theme.
//
//   tirv-icon-export <size> <file.png>
//
// 16 and 32 are the program's own images, pixel for pixel; any other size is the 32x32
// image scaled with hard pixel edges, which keeps the 16-colour drawing crisp (smoothing
// it at 48 blurs every line).
// Needs a Qt platform; the build runs it with QT_QPA_PLATFORM=offscreen.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

#include "icons.h"

namespace {

bool ParseSize(const char* text, int& size) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 8 || value > 1024) return false;
  size = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int size = 0;
  if (argc != 3 || !ParseSize(argv[1], size)) {
    std::fputs("usage: tirv-icon-export <size 8..1024> <file.png>\n", stderr);
    return 2;
  }
  QGuiApplication application(argc, argv);
  const QImage image =
      tirv::ProgramIconPixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
  if (image.width() != size || image.height() != size ||
      !image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "tirv-icon-export: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}

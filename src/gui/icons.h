// The program's icons (resources 128 and 138) as Qt images.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tirv {

/// Icon 128 or 138: the 32x32 and the 16x16 image. Any other id gives a null icon.
QIcon ProgramIcon(int iconId);

/// One image of the program icon: 16 or 32 pixels wide; other sizes are scaled from the
/// 32x32 image.
QPixmap ProgramIconPixmap(int size);

}  // namespace tirv

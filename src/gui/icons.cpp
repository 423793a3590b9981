#include "gui/icons.h"

#include "editor/templates.h"
#include "gui/program_icon.xpm.h"

namespace tirv {

QPixmap ProgramIconPixmap(int size) {
  if (size == 16) return QPixmap(kProgramIcon16);
  const QPixmap big(kProgramIcon32);
  if (size == 32) return big;
  return big.scaled(size, size, Qt::KeepAspectRatio, Qt::FastTransformation);
}

QIcon ProgramIcon(int iconId) {
  if (iconId != ids::kProgramIcon && iconId != ids::kExecutableIcon) return {};
  QIcon icon;
  icon.addPixmap(ProgramIconPixmap(32));
  icon.addPixmap(ProgramIconPixmap(16));
  return icon;
}

}  // namespace tirv

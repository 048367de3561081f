#include "app/ui_font.h"

#include <QApplication>

namespace vor {

QFont WindowFont(bool bold) {
  QFont font = QApplication::font();
  font.setPointSizeF(8.25);
  font.setStretch(QFont::SemiCondensed);
  font.setBold(bold);
  return font;
}

}  // namespace vor

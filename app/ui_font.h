// The font of the program's windows: the platform's sans at the designed
// 8.25 points, semi-condensed. The windows were designed for a narrow font
// and their captions measured for it (a 24-pixel picture and "Confirmar"
// share an 80-pixel button); the semi-condensed width of the platform's
// sans fits them where its normal width would clip them.
#ifndef VOR_APP_UI_FONT_H_
#define VOR_APP_UI_FONT_H_

#include <QFont>

namespace vor {

// Needs the application object. `bold` for the captions of tab strips.
QFont WindowFont(bool bold = false);

}  // namespace vor

#endif  // VOR_APP_UI_FONT_H_

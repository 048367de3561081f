// FigureInput: a figure a buyer types in a field of the proposal window
// ("E se?", the quantities of a basket), read in the Portuguese notation the
// window writes (decimal comma, thousands apart by blanks) or with a decimal
// point, or refused with a short reason to show at the field.
#ifndef VOR_APP_FIGURE_INPUT_H_
#define VOR_APP_FIGURE_INPUT_H_

#include <QString>
#include <optional>

#include "core/currency.h"

namespace vor {

// The figure typed in `text`; nullopt with `*message` set to why it is
// refused: nothing typed, text that is no number, a figure beyond the
// fixed-point range, a negative figure, or (with `above_zero`) 0, refused
// with `zero_message`.
std::optional<Currency> ReadTypedFigure(const QString& text, bool above_zero,
                                        const QString& zero_message,
                                        QString* message);

}  // namespace vor

#endif  // VOR_APP_FIGURE_INPUT_H_

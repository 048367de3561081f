#include "app/figure_input.h"

#include <cstdint>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/figure_text.h"

namespace vor {
namespace {

QString Shown(const QString& text) {
  return QString::fromStdString(
      EscapeControlBytes(text.trimmed().toStdString()));
}

}  // namespace

std::optional<Currency> ReadTypedFigure(const QString& text, bool above_zero,
                                        const QString& zero_message,
                                        QString* message) {
  QString typed = text;
  typed.remove(QChar(' ')).remove(QChar(0x00A0)).remove(QChar(0x202F));
  typed.replace(QChar(','), QChar('.'));
  if (typed.isEmpty()) {
    *message = QStringLiteral("indique um valor");
    return std::nullopt;
  }
  Currency value;
  try {
    if (!Currency::TryParse(typed.toStdString(), &value)) {
      *message = QStringLiteral("'%1' não é um número").arg(Shown(text));
      return std::nullopt;
    }
  } catch (const Error&) {
    *message =
        QStringLiteral("%1 está fora do limite dos números (%2)")
            .arg(Shown(text), QString::fromStdString(FigureText::Quantity(
                                  Currency::FromRaw(INT64_MAX))));
    return std::nullopt;
  }
  if (value < Currency()) {
    *message = QStringLiteral("não pode ser negativo");
    return std::nullopt;
  }
  if (above_zero && value == Currency()) {
    *message = zero_message;
    return std::nullopt;
  }
  return value;
}

}  // namespace vor

// The texts the engine composes for the progress list, the run log and the
// window: progress lines, the driver's error message and the message of a
// failed value conversion.
#ifndef VOR_ENGINE_MESSAGES_H_
#define VOR_ENGINE_MESSAGES_H_

#include <array>
#include <cstdint>
#include <string>

#include "core/error.h"

namespace vor {

// "Artigo   " + code + "   " + total + "/" + position (the total first),
// the code shown on one line (EscapeControlBytes), so that a CR LF in it
// cannot start a line of the log.
std::string ProgressLine(const std::string& code, int64_t total,
                         int64_t position);

// The base number of object errors (hexadecimal 80040000). The driver's
// message shows an error's number minus this base.
inline constexpr int64_t kObjectErrorBase = -2147221504;

// The driver's error message: (number - kObjectErrorBase) in decimal,
// preceded by one blank when not negative, then " - " and the description.
// -2147217900 gives " 3604 - <description>". The description keeps its
// line breaks and has its other control bytes and invalid UTF-8 shown
// (EscapeControlBytes): the message goes to the run log.
std::string EngineErrorMessage(long number, const std::string& description);

// The three lines of the failed-conversion message: "Erro <n>",
// "(<description>)", "Na função TransformaEmCurrency do itFuncoes".
std::array<std::string, 3> ConversionMessageLines(const Error& error);
// The same lines joined by CR LF, as the message box shows them.
std::string ConversionMessage(const Error& error);

// The description with " (artigo <code>)" appended, the code shown on one
// line (EscapeControlBytes), unless it already ends so. Errors of the
// per-article steps carry the article this way.
std::string WithArticle(const std::string& description,
                        const std::string& code);

}  // namespace vor

#endif  // VOR_ENGINE_MESSAGES_H_

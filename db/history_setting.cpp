#include "db/history_setting.h"

#include <exception>

#include "core/text_util.h"

namespace vor {

HistorySetting HistorySetting::Read(const SettingsValues& settings) {
  HistorySetting setting;
  std::string text;
  try {
    text = Trimmed(settings.ReadValue("Historico", "Dias"));
  } catch (const std::exception&) {
    return setting;
  }
  if (text.empty()) return setting;
  setting.set_in_file = true;
  long long days = -1;
  if (text.size() <= 6 &&
      text.find_first_not_of("0123456789") == std::string::npos) {
    days = std::stoll(text);
  }
  if (days < 0) {
    setting.problem = "[Historico] Dias=" + text + " em " + settings.path() +
                      " não é um número de dias (0 ou mais); o histórico "
                      "guarda " +
                      std::to_string(kDefaultDays) + " dias";
    return setting;
  }
  setting.keep_days = static_cast<int>(days);
  return setting;
}

}  // namespace vor

// HistorySetting: [Historico] Dias of the settings file, the days of runs
// the history of proposals (zlx_VOR_Historico) keeps; 0 keeps none. The
// writer of the run and the morning report's comparison both read it.
//
//   const HistorySetting history = HistorySetting::Read(settings);
//   if (history.keep_days > 0) ...
#ifndef VOR_DB_HISTORY_SETTING_H_
#define VOR_DB_HISTORY_SETTING_H_

#include <string>

#include "settings/settings_values.h"

namespace vor {

// [Historico] Dias as the run read it.
struct HistorySetting {
  static constexpr int kDefaultDays = 90;
  // Days of runs kept; 0 keeps no history.
  int keep_days = kDefaultDays;
  // Whether the key holds a value in the settings file.
  bool set_in_file = false;
  // Why the value in the file was not taken (then keep_days is the
  // default), naming the file, the key and the value; "" otherwise.
  std::string problem;

  // The key of `settings`: a whole number of days, 0 or more. Absent or
  // empty: kDefaultDays. Never raises: a file that could not be read counts
  // as the key absent (the run reports that file elsewhere).
  static HistorySetting Read(const SettingsValues& settings);
};

}  // namespace vor

#endif  // VOR_DB_HISTORY_SETTING_H_

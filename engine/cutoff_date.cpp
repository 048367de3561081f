#include "engine/cutoff_date.h"

#include <chrono>
#include <cstdio>

namespace vor {

std::string DataLimiteEncomendas(LocalTime now) {
  using namespace std::chrono;
  const year_month_day today{floor<days>(now)};
  year_month_day back = today - months{9};
  if (!back.ok()) {
    back = year_month_day{
        year_month_day_last{back.year(), month_day_last{back.month()}}};
  }
  char text[16];
  std::snprintf(
      text, sizeof text, "%04d-%02u-%02u", static_cast<int>(back.year()),
      static_cast<unsigned>(back.month()), static_cast<unsigned>(back.day()));
  return text;
}

}  // namespace vor

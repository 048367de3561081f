// The history of proposals, the ERP table zlx_VOR_Historico: every completed
// run appends one row per article of its proposal, under the run's key, in
// the same transaction as the proposal itself, and removes the runs older
// than the days kept. The morning report compares the latest proposal with
// the run before it from here. The table is optional: where it does not
// exist, nothing is kept and nothing is compared.
#ifndef VOR_DB_HISTORY_TABLE_H_
#define VOR_DB_HISTORY_TABLE_H_

#include <array>
#include <chrono>
#include <cstdint>

#include "core/clock.h"
#include "db/result_table.h"

namespace vor {

// The table's name.
inline constexpr char kHistoryTableName[] = "zlx_VOR_Historico";

// The column of the run's key: its local date and time as the number
// yyyymmddhhmmss (20261209063000 for 9 December 2026 at 06:30:00), which
// orders and compares alike in every database.
inline constexpr char kHistoryRunColumn[] = "Execucao";

// The proposal's columns the history keeps, each under the name it has in
// zlx_VOR_Encomendas: what a comparison of two runs needs (shortage, order,
// quantities, cover, exceptions, value) and the minimum stock for a chart.
inline constexpr std::array<ResultField, 18> kHistoryFields = {
    ResultField::kArtigo,    ResultField::kFornec,   ResultField::kNomeFornec,
    ResultField::kStkMinimo, ResultField::kStkReal,  ResultField::kEncF,
    ResultField::kStkPrazo,  ResultField::kCli,      ResultField::kQtdUB,
    ResultField::kQtdUC,     ResultField::kStkApos,  ResultField::kTempo,
    ResultField::kDias,      ResultField::kUltPrCom, ResultField::kDesconto,
    ResultField::kPrazo,     ResultField::kCor,      ResultField::kCorV,
};

// Columns kept where the table has them (tables made before they were
// added lack them, and keep working): the article's name and base unit, so
// that an article that has left the proposal is still named, with its
// unit, in the lists of changes.
inline constexpr std::array<ResultField, 2> kHistoryNameFields = {
    ResultField::kNome, ResultField::kUnBase};

// The run key of `time` (see kHistoryRunColumn).
inline int64_t HistoryRunKey(LocalTime time) {
  const auto days = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day ymd(days);
  const std::chrono::hh_mm_ss hms(time - days);
  return ((static_cast<int64_t>(static_cast<int>(ymd.year())) * 100 +
           static_cast<unsigned>(ymd.month())) *
              100 +
          static_cast<unsigned>(ymd.day())) *
             1000000 +
         hms.hours().count() * 10000 + hms.minutes().count() * 100 +
         hms.seconds().count();
}

// The local time of run key `key`; a key that is no date gives
// LocalTime{} (1 January 1970, 00:00:00).
inline LocalTime HistoryRunTime(int64_t key) {
  using namespace std::chrono;
  const int64_t date = key / 1000000, clock = key % 1000000;
  const year_month_day ymd{year(static_cast<int>(date / 10000)),
                           month(static_cast<unsigned>(date / 100 % 100)),
                           day(static_cast<unsigned>(date % 100))};
  if (!ymd.ok()) return LocalTime{};
  return local_days(ymd) + hours(clock / 10000) + minutes(clock / 100 % 100) +
         seconds(clock % 100);
}

}  // namespace vor

#endif  // VOR_DB_HISTORY_TABLE_H_

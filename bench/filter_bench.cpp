// Filter benchmark: equality filters against a 50 000-row table, as the
// demand steps run them once per article. Prints filters per second for a
// one-field filter, a two-field filter and the engine's read-modify-update
// pattern, plus the time of the first filter (which builds the index).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/currency.h"
#include "core/quote.h"
#include "core/recordset.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 50000;

std::string Code(int i) { return "ART" + std::to_string(100000 + i); }

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main() {
  using vor::Currency;
  using vor::FieldType;
  using vor::Recordset;

  Recordset rs;
  rs.AppendField("Artigo", FieldType::kText, 15);
  rs.AppendField("EstruturaBase", FieldType::kText, 15);
  rs.AppendField("Quant", FieldType::kCurrency);
  rs.Open();
  auto t0 = Clock::now();
  for (int i = 0; i < kRows; ++i) {
    rs.AddNew();
    rs.Set("Artigo", Code(i));
    rs.Set("EstruturaBase", i % 2 == 0 ? "E1" : "E2");
    rs.Set("Quant", 0);
    rs.Update();
  }
  std::printf("fill %d rows: %.1f ms\n", kRows, Seconds(t0) * 1e3);

  // The filter texts as the engine builds them, prepared outside the timing.
  std::vector<std::string> one, two;
  one.reserve(kRows);
  two.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    std::string c = vor::QuoteCode(Code(i));
    one.push_back("Artigo='" + c + "' ");
    two.push_back("Artigo='" + c + "'  and EstruturaBase='" +
                  (i % 2 == 0 ? "E1" : "E2") + "' ");
  }

  t0 = Clock::now();
  rs.SetFilter(one[0]);
  std::printf("first filter (builds the index): %.1f ms\n", Seconds(t0) * 1e3);

  constexpr int kRounds = 20;
  long found = 0;
  t0 = Clock::now();
  for (int r = 0; r < kRounds; ++r) {
    for (int i = 0; i < kRows; ++i) {
      rs.SetFilter(one[(i * 7919) % kRows]);
      found += rs.RecordCount();
    }
  }
  double s = Seconds(t0);
  std::printf("one-field filter: %.0f filters/s (%ld rows found)\n",
              kRounds * kRows / s, found);

  found = 0;
  t0 = Clock::now();
  for (int r = 0; r < kRounds; ++r) {
    for (int i = 0; i < kRows; ++i) {
      rs.SetFilter(two[(i * 7919) % kRows]);
      found += rs.RecordCount();
    }
  }
  s = Seconds(t0);
  std::printf("two-field filter: %.0f filters/s (%ld rows found)\n",
              kRounds * kRows / s, found);

  // Filter, read, add, write back: what the fold of the demand does.
  const Currency one_unit = Currency::FromInt(1);
  t0 = Clock::now();
  for (int r = 0; r < kRounds; ++r) {
    for (int i = 0; i < kRows; ++i) {
      rs.SetFilter(one[i]);
      if (!rs.Eof()) {
        Currency q = rs.Get("Quant").ToCurrency();
        rs.Set("Quant", q + one_unit);
        rs.Update();
      }
    }
  }
  s = Seconds(t0);
  rs.SetFilter(one[kRows - 1]);
  std::printf("filter + read + update: %.0f per second (last Quant %s)\n",
              kRounds * kRows / s, rs.Get("Quant").ToText().c_str());

  return 0;
}

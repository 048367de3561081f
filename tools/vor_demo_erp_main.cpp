// vor-demo-erp: writes the demo ERP database (see demo_erp_generator.h).
//
//   vor-demo-erp [--articles N] [--seed S] [--today yyyy-mm-dd] FILE
//
// Prints one line with the rows written per table. Exit code 0 on success,
// 2 on bad arguments or when the file cannot be written.
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "tools/demo_erp_generator.h"

namespace {

constexpr const char* kUsage =
    "Uso: vor-demo-erp [--articles N] [--seed S] [--today aaaa-mm-dd] "
    "FICHEIRO\n"
    "  --articles N   artigos comprados, 1 a 999999 (por omissão 1000)\n"
    "  --seed S       semente, 0 a 4294967295 (por omissão 1)\n"
    "  --today D      data de hoje dos documentos (por omissão a do sistema)\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "vor-demo-erp: %s\n%s", message.c_str(), kUsage);
  return 2;
}

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<std::chrono::year_month_day> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-')
    return std::nullopt;
  auto y = ParseNumber<int>(text.substr(0, 4));
  auto m = ParseNumber<unsigned>(text.substr(5, 2));
  auto d = ParseNumber<unsigned>(text.substr(8, 2));
  if (!y || !m || !d) return std::nullopt;
  std::chrono::year_month_day date{
      std::chrono::year{*y}, std::chrono::month{*m}, std::chrono::day{*d}};
  if (!date.ok()) return std::nullopt;
  return date;
}

}  // namespace

int main(int argc, char** argv) {
  int articles = 1000;
  std::uint32_t seed = 1;
  std::optional<std::chrono::year_month_day> today;
  std::optional<std::string> file;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--articles" || arg == "--seed" || arg == "--today") {
      if (i + 1 >= argc) return Fail("falta o valor de " + std::string(arg));
      const std::string_view value = argv[++i];
      if (arg == "--articles") {
        auto n = ParseNumber<int>(value);
        if (!n || *n < 1 || *n > vor::kMaxDemoArticles) {
          return Fail("--articles '" + std::string(value) +
                      "' não é um número de 1 a 999999");
        }
        articles = *n;
      } else if (arg == "--seed") {
        auto s = ParseNumber<std::uint32_t>(value);
        if (!s) {
          return Fail("--seed '" + std::string(value) +
                      "' não é um número de 0 a 4294967295");
        }
        seed = *s;
      } else {
        today = ParseDate(value);
        if (!today) {
          return Fail("--today '" + std::string(value) +
                      "' não é uma data aaaa-mm-dd válida");
        }
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Fail("opção desconhecida '" + std::string(arg) + "'");
    } else if (file) {
      return Fail("só pode indicar um ficheiro ('" + *file + "' e '" +
                  std::string(arg) + "')");
    } else {
      file = std::string(arg);
    }
  }
  if (!file) return Fail("falta o ficheiro a escrever");

  try {
    const vor::DemoErpSummary summary =
        today ? vor::GenerateDemoErp(*file, articles, seed, *today)
              : vor::GenerateDemoErp(*file, articles, seed);
    std::printf("%s: %s\n", file->c_str(), summary.ToString().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vor-demo-erp: %s\n", e.what());
    return 2;
  }
  return 0;
}

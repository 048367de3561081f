#include "settings/settings_record.h"

#include <algorithm>

#include "core/error.h"
#include "core/text_util.h"

namespace vor {
namespace {

// "de 1 a 1000", "0 ou mais": the bounds of `key` as a problem line says them.
std::string Bounds(const SettingKey& key) {
  if (key.low != kNoBound && key.high != kNoBound) {
    return "de " + std::to_string(key.low) + " a " + std::to_string(key.high);
  }
  if (key.low != kNoBound) return std::to_string(key.low) + " ou mais";
  return "";
}

// What the value of `key` should have been, after "não é".
std::string Rule(const SettingKey& key) {
  switch (key.type) {
    case SettingType::kWholeNumber:
      return "um número inteiro " + Bounds(key);
    case SettingType::kDecimal:
      return "um número " + Bounds(key);
    case SettingType::kChoice: {
      std::string words = key.choices;
      const size_t bar = words.rfind('|');
      if (bar != std::string::npos) words.replace(bar, 1, " nem ");
      std::replace(words.begin(), words.end(), '|', ',');
      return words;
    }
    case SettingType::kText:
    case SettingType::kList:
      break;
  }
  return "um valor aceite";
}

// Reads the declared keys from one file, collecting what it cannot take.
class KeyReader {
 public:
  KeyReader(const SettingsValues& values, bool readable,
            std::vector<SettingProblem>* problems)
      : values_(values), readable_(readable), problems_(problems) {}

  // The text of `section`/`key` as stored ("" when absent or unreadable).
  std::string Stored(const char* section, const char* key) const {
    return readable_ ? values_.ReadValue(section, key) : std::string();
  }

  // The declaration of `section`/`key`; every key read here is declared.
  static const SettingKey& Declared(const char* section, const char* key) {
    const SettingKey* found = FindSettingKey(section, key);
    if (found == nullptr) {
      throw Error(errnum::kInvalidOperation,
                  std::string("Chave não declarada: [") + section + "] " + key);
    }
    return *found;
  }

  // The trimmed value, or the declared default when absent or empty.
  std::string TextOf(const SettingKey& key) const {
    const std::string text = Trimmed(Stored(key.section, key.key));
    return text.empty() ? key.default_text : text;
  }

  int64_t Whole(const char* section, const char* name) {
    const SettingKey& key = Declared(section, name);
    const std::string text = TextOf(key);
    int64_t value = -1;
    if (!text.empty() && text.size() <= 18 &&
        text.find_first_not_of("0123456789") == std::string::npos) {
      value = std::stoll(text);
    }
    if (value < 0 || !Within(key, value)) {
      Bad(key, text, Rule(key));
      return std::stoll(key.default_text);
    }
    return value;
  }

  Currency Decimal(const char* section, const char* name) {
    const SettingKey& key = Declared(section, name);
    const std::string text = TextOf(key);
    std::string dotted = text;
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    Currency value;
    try {
      if (!Currency::TryParse(dotted, &value)) {
        Bad(key, text, Rule(key));
        return Currency::Parse(key.default_text);
      }
    } catch (const Error&) {
      // Beyond the fixed-point type: no default can stand for it.
      Report(key, text, "é um número grande demais", true);
      return Currency::Parse(key.default_text);
    }
    const bool within =
        (key.low == kNoBound || value >= Currency::FromInt(key.low)) &&
        (key.high == kNoBound || value <= Currency::FromInt(key.high));
    if (!within) {
      Bad(key, text, Rule(key));
      return Currency::Parse(key.default_text);
    }
    return value;
  }

  // The index of the word of `choices` the value names.
  size_t Choice(const char* section, const char* name) {
    const SettingKey& key = Declared(section, name);
    const std::string text = TextOf(key);
    const std::vector<std::string> words = Split(key.choices, '|');
    for (size_t i = 0; i < words.size(); ++i) {
      if (EqualsIgnoringCase(text, words[i])) return i;
    }
    Bad(key, text, Rule(key));
    const std::string fallback = key.default_text;
    for (size_t i = 0; i < words.size(); ++i) {
      if (words[i] == fallback) return i;
    }
    return 0;
  }

  std::vector<std::string> List(const char* section, const char* name) {
    std::vector<std::string> pieces;
    for (std::string piece : Split(TextOf(Declared(section, name)), ';')) {
      piece = Trimmed(piece);
      if (!piece.empty()) pieces.push_back(piece);
    }
    return pieces;
  }

  std::string Text(const char* section, const char* name) {
    const SettingKey& key = Declared(section, name);
    const std::string text = Stored(key.section, key.key);
    return text.empty() ? key.default_text : text;
  }

 private:
  static bool Within(const SettingKey& key, int64_t value) {
    return (key.low == kNoBound || value >= key.low) &&
           (key.high == kNoBound || value <= key.high);
  }

  static std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == sep) {
        pieces.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    }
    return pieces;
  }

  // Reports a value that is not `rule`, refused or not as the key declares.
  void Bad(const SettingKey& key, const std::string& text,
           const std::string& rule) {
    Report(key, text, "não é " + rule, key.when_bad == WhenBad::kRefuse);
  }

  void Report(const SettingKey& key, const std::string& text,
              const std::string& what, bool refused) {
    std::string line = "[" + std::string(key.section) + "] " + key.key + "=" +
                       text + " em " + values_.path() + ": " + what + "; ";
    line += refused ? std::string("a emissão não começa")
                    : "usa-se " + std::string(key.default_text);
    problems_->push_back({&key, line, refused});
  }

  const SettingsValues& values_;
  const bool readable_;
  std::vector<SettingProblem>* problems_;
};

}  // namespace

const SettingKey* FindSettingKey(const std::string& section,
                                 const std::string& key) {
  for (const SettingKey& declared : kSettingKeys) {
    if (EqualsIgnoringCase(section, declared.section) &&
        EqualsIgnoringCase(key, declared.key)) {
      return &declared;
    }
  }
  return nullptr;
}

SettingsRecord::SettingsRecord() { Fill(SettingsValues()); }

SettingsRecord SettingsRecord::Parse(const SettingsValues& values) {
  SettingsRecord record;
  record.Fill(values);
  return record;
}

SettingsRecord SettingsRecord::Read(const std::string& path) {
  return Parse(SettingsValues::Read(path));
}

void SettingsRecord::Fill(const SettingsValues& values) {
  values_ = values;
  problems.clear();
  readable_ = values.readable();
  KeyReader r(values, readable_, &problems);

  log_directoria = r.Text("Log", "Directoria");
  // Absent or empty, the embedded SQLite engine reads in bulk; a server
  // reached through ODBC reads literally, as no SQL Server has been tried
  // with the set-based statements.
  if (Trimmed(r.Stored("Motor", "Leitura")).empty()) {
    motor.leitura =
        EqualsIgnoringCase(Trimmed(r.Stored("BD", "Servidor")), "sqlite")
            ? ReadingMode::kBulk
            : ReadingMode::kLiteral;
  } else {
    motor.leitura = r.Choice("Motor", "Leitura") == 1 ? ReadingMode::kBulk
                                                      : ReadingMode::kLiteral;
  }
  motor.cobertura_maxima = r.Decimal("Motor", "CoberturaMaxima");
  email.assunto = r.Text("email", "Assunto");
  email.destino = r.Text("email", "Destino");
  relatorio.pasta = Trimmed(r.Text("Relatorio", "Pasta"));
  relatorio.linhas = static_cast<int>(r.Whole("Relatorio", "Linhas"));
  relatorio.variacao = r.Decimal("Relatorio", "Variacao");
  relatorio.partilha = Trimmed(r.Text("Relatorio", "Partilha"));
  historico.set_in_file = !Trimmed(r.Stored("Historico", "Dias")).empty();
  historico.keep_days = static_cast<int>(r.Whole("Historico", "Dias"));
  encomendas.atraso_maximo =
      static_cast<int>(r.Whole("Encomendas", "AtrasoMaximo"));
  encomendas.unidades_fracionarias =
      r.List("Encomendas", "UnidadesFracionarias");

  const char* smtp_section = SmtpSettings::kSection;
  smtp.servidor = r.Text(smtp_section, "Servidor");
  smtp.porta = r.Text(smtp_section, "Porta");
  smtp_seguranca = r.Stored(smtp_section, "Seguranca");
  smtp.seguranca = SmtpSettings::kSecurityNone;
  for (const char* known :
       {SmtpSettings::kSecurityStartTls, SmtpSettings::kSecuritySsl}) {
    if (EqualsIgnoringCase(smtp_seguranca, known)) smtp.seguranca = known;
  }
  smtp.utilizador = r.Text(smtp_section, "Utilizador");
  smtp.password = r.Text(smtp_section, "Password");
  smtp.email_emissor = r.Text(smtp_section, "emailEmissor");
  smtp.nome_emissor = r.Text(smtp_section, "NomeEmissor");
}

void SettingsRecord::ThrowIfUnreadable() const {
  // ReadValue of a file that could not be read raises the reading's error.
  if (!readable_) values_.ReadValue("Log", "Directoria");
}

void SettingsRecord::ThrowIfRefused() const {
  ThrowIfUnreadable();
  for (const SettingProblem& problem : problems) {
    if (problem.refused) throw Error(errnum::kTypeMismatch, problem.line);
  }
}

std::vector<std::string> SettingsRecord::Notices() const {
  std::vector<std::string> lines;
  for (const SettingProblem& problem : problems) {
    if (!problem.refused) lines.push_back(problem.line);
  }
  return lines;
}

std::optional<std::string> SettingsRecord::NoticeOf(
    const std::string& section, const std::string& key) const {
  for (const SettingProblem& problem : problems) {
    if (!problem.refused && EqualsIgnoringCase(problem.key->section, section) &&
        EqualsIgnoringCase(problem.key->key, key)) {
      return problem.line;
    }
  }
  return std::nullopt;
}

}  // namespace vor

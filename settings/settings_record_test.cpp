#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/error.h"
#include "settings/parametros.h"
#include "testing/settings_file_fixture.h"

namespace vor {
namespace {

class SettingsRecordTest : public SettingsFileFixture {
 protected:
  SettingsRecord Parse(const std::string& text) {
    Put(text);
    return SettingsRecord::Read(path_);
  }
  // The description of the error ThrowIfRefused raises ("" when none).
  static std::string Refusal(const SettingsRecord& record, int number) {
    try {
      record.ThrowIfRefused();
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), number) << e.description();
      return e.description();
    }
    return "";
  }
};

TEST_F(SettingsRecordTest, KeysInAnyCaseAbsentOrEmptyAndTaken) {
  SettingsRecord r = Parse("[BD]\r\nServidor=sqlite\r\n");
  EXPECT_EQ(r.motor.leitura, ReadingMode::kBulk);
  EXPECT_EQ(r.motor.cobertura_maxima, Currency::FromInt(365));
  EXPECT_EQ(r.relatorio.linhas, 25);
  EXPECT_EQ(r.relatorio.variacao, Currency::FromInt(25));
  EXPECT_EQ(r.historico.keep_days, 90);
  EXPECT_FALSE(r.historico.set_in_file);
  EXPECT_EQ(r.encomendas.atraso_maximo, 90);
  EXPECT_EQ(r.encomendas.unidades_fracionarias,
            (std::vector<std::string>{"KG", "L", "M", "M2", "M3"}));
  EXPECT_EQ(r.smtp.porta, "25");
  EXPECT_EQ(r.smtp.seguranca, "Nenhuma");
  EXPECT_TRUE(r.problems.empty());
  EXPECT_EQ(Refusal(r, 0), "");

  EXPECT_EQ(Parse("[motor]\r\nleitura=\r\n").motor.leitura,
            ReadingMode::kLiteral);
  // Absent on SQLite reads in bulk, over ODBC literally; set, either holds.
  EXPECT_EQ(Parse("[BD]\r\nServidor= SQLite \r\n[Motor]\r\nLeitura= \r\n")
                .motor.leitura,
            ReadingMode::kBulk);
  EXPECT_EQ(Parse("[BD]\r\nServidor=erp.local\r\n").motor.leitura,
            ReadingMode::kLiteral);
  EXPECT_EQ(Parse("[BD]\r\nServidor=sqlite\r\n[Motor]\r\nLeitura=Literal\r\n")
                .motor.leitura,
            ReadingMode::kLiteral);
  EXPECT_EQ(
      Parse("[BD]\r\nServidor=erp.local\r\n[Motor]\r\nLeitura=Conjunto\r\n")
          .motor.leitura,
      ReadingMode::kBulk);
  EXPECT_EQ(Parse("[MOTOR]\r\nLEITURA= cOnJuNtO \r\n").motor.leitura,
            ReadingMode::kBulk);
  EXPECT_EQ(Parse("[Motor]\r\nLeitura=LITERAL\r\n").motor.leitura,
            ReadingMode::kLiteral);

  r = Parse(
      "[Motor]\nCoberturaMaxima=180,5\n[Relatorio]\nLinhas=1000\n"
      "Variacao=12,5\nPasta= relatorios \nPartilha=\\\\srv\\vor\n"
      "[Historico]\nDias=0\n[Encomendas]\nAtrasoMaximo=30\n"
      "UnidadesFracionarias= kg ; ;LT\n[SMTP]\nSeguranca=starttls\n");
  EXPECT_EQ(r.motor.cobertura_maxima, Currency::Parse("180.5"));
  EXPECT_EQ(r.relatorio.linhas, 1000);
  EXPECT_EQ(r.relatorio.variacao, Currency::Parse("12.5"));
  EXPECT_EQ(r.relatorio.pasta, "relatorios");
  EXPECT_EQ(r.relatorio.partilha, "\\\\srv\\vor");
  EXPECT_EQ(r.historico.keep_days, 0);
  EXPECT_TRUE(r.historico.set_in_file);
  EXPECT_EQ(r.encomendas.atraso_maximo, 30);
  EXPECT_EQ(r.encomendas.unidades_fracionarias,
            (std::vector<std::string>{"kg", "LT"}));
  EXPECT_EQ(r.smtp.seguranca, "STARTTLS");
  EXPECT_TRUE(r.problems.empty());
}

// Every bad value gives one line naming key, value and file, and says what
// happens: the default stands (a notice of the run) or the run is refused
// with Error 13 before anything is written.
TEST_F(SettingsRecordTest, EveryBadValueIsReportedInOneForm) {
  const std::string at = " em " + path_ + ": ";
  SettingsRecord r = Parse(
      "[Motor]\nCoberturaMaxima=um ano\n[Relatorio]\nLinhas=0\n"
      "Variacao=-1\n[Historico]\nDias=1 semana\n[Encomendas]\n"
      "AtrasoMaximo=9999999\n");
  EXPECT_EQ(r.motor.cobertura_maxima, Currency::FromInt(365));
  EXPECT_EQ(r.relatorio.linhas, 25);
  EXPECT_EQ(r.relatorio.variacao, Currency::FromInt(25));
  EXPECT_EQ(r.historico.keep_days, 90);
  EXPECT_EQ(r.encomendas.atraso_maximo, 90);
  EXPECT_EQ(r.Notices(),
            (std::vector<std::string>{
                "[Motor] CoberturaMaxima=um ano" + at +
                    "não é um número 0 ou mais; usa-se 365",
                "[Relatorio] Linhas=0" + at +
                    "não é um número inteiro de 1 a 1000; usa-se 25",
                "[Relatorio] Variacao=-1" + at +
                    "não é um número 0 ou mais; usa-se 25",
                "[Historico] Dias=1 semana" + at +
                    "não é um número inteiro de 0 a 999999; usa-se 90",
                "[Encomendas] AtrasoMaximo=9999999" + at +
                    "não é um número inteiro de 0 a 999999; usa-se 90",
            }));
  EXPECT_EQ(r.NoticeOf("relatorio", "LINHAS"), r.Notices()[1]);
  EXPECT_EQ(Refusal(r, 0), "");

  r = Parse("[Motor]\nLeitura=Conjuntos\n");
  EXPECT_EQ(Refusal(r, errnum::kTypeMismatch),
            "[Motor] Leitura=Conjuntos" + at +
                "não é Literal nem Conjunto; a emissão não começa");
  // A number the fixed-point type cannot hold has no default standing for
  // it: the run is refused whatever the key's choice.
  r = Parse("[Relatorio]\nVariacao=1e15\n");
  EXPECT_EQ(Refusal(r, errnum::kTypeMismatch),
            "[Relatorio] Variacao=1e15" + at +
                "é um número grande demais; a emissão não começa");
  EXPECT_TRUE(r.Notices().empty());

  // A file that cannot be read refuses the run with the reading's error;
  // the record of the settings store reports it as a failed load.
  r = Parse("[email]\nDestino=a@b.pt\xFF\n");
  EXPECT_FALSE(r.readable());
  EXPECT_NE(Refusal(r, errnum::kFileError).find(path_), std::string::npos);
  Parametros parametros;
  parametros.set_FicheiroIni(path_);
  EXPECT_FALSE(parametros.Ler());
}

std::string SourceFile(const std::string& name) {
  std::ifstream in(std::string(VOR_SOURCE_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The text of `doc` from the line that opens `section` to the next line
// that opens another section (`open` makes the opening line of a section).
std::string Block(const std::string& doc, const std::string& opening,
                  const std::string& next_prefix) {
  const size_t start = doc.find(opening);
  if (start == std::string::npos) return "";
  const size_t end = doc.find(next_prefix, start + opening.size());
  return doc.substr(start,
                    end == std::string::npos ? std::string::npos : end - start);
}

// Every declared key is described where people look for it: the man page,
// the example settings file and the README's key list.
TEST(SettingsDocumentationTest, NamesEveryDeclaredKey) {
  const std::string man = SourceFile("packaging/vorencomendas.1");
  const std::string example = SourceFile("packaging/VOREncomendas.zlx");
  const std::string readme = SourceFile("README.md");
  for (const SettingKey& k : kSettingKeys) {
    const std::string section = k.section, key = k.key;
    const std::string name = "[" + section + "] " + key;
    const std::string man_block =
        Block(man, ".B [" + section + "]\n", "\n.TP\n");
    EXPECT_TRUE(man_block.find(".B " + key + "\n") != std::string::npos ||
                man_block.find(".BR " + key + " ") != std::string::npos)
        << name << " is not in the man page";
    const std::string example_block =
        Block(example, "\n[" + section + "]", "\n[");
    EXPECT_TRUE(example_block.find("\n" + key + "=") != std::string::npos ||
                example_block.find("\n;" + key + "=") != std::string::npos)
        << name << " is not in the example settings file";
    bool listed = false;
    std::istringstream lines(readme);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("| `" + section + "` | ", 0) != 0) continue;
      const std::string keys = line.substr(line.find(" | ") + 3);
      if (keys.substr(0, keys.find(" | ")).find("`" + key + "`") !=
          std::string::npos) {
        listed = true;
      }
    }
    EXPECT_TRUE(listed) << name << " is not in the README's key list";
  }
}

}  // namespace
}  // namespace vor

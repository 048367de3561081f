#include "settings/reading_mode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/error.h"

namespace vor {
namespace {

TEST(ReadingModeTest, KeyInAnyCaseAbsentOrEmptyAndAWrongValue) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "vor_reading_mode_test.zlx";
  auto write = [&](const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  };
  write("[BD]\r\nServidor=sqlite\r\n");
  EXPECT_EQ(ReadReadingMode(file.string()), ReadingMode::kLiteral);
  write("[motor]\r\nleitura=\r\n");
  EXPECT_EQ(ReadReadingMode(file.string()), ReadingMode::kLiteral);
  write("[MOTOR]\r\nLEITURA= cOnJuNtO \r\n");
  EXPECT_EQ(ReadReadingMode(file.string()), ReadingMode::kBulk);
  write("[Motor]\r\nLeitura=LITERAL\r\n");
  EXPECT_EQ(ReadReadingMode(file.string()), ReadingMode::kLiteral);

  write("[Motor]\r\nLeitura=Conjuntos\r\n");
  try {
    ReadReadingMode(file.string());
    ADD_FAILURE() << "a wrong value was taken";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTypeMismatch);
    EXPECT_EQ(e.description(),
              "Valor inválido 'Conjuntos' na chave Leitura da secção Motor do "
              "ficheiro '" +
                  file.string() + "': deve ser Literal ou Conjunto");
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace vor

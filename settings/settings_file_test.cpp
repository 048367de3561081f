#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "settings/settings_values.h"
#include "testing/file_size_limit.h"
#include "testing/settings_file_fixture.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public SettingsFileFixture {
 protected:
  void SetUp() override { file_.FileName(path_); }

  // The lines that carry text, without line ends: the parts a save must
  // keep, whatever blank lines it puts between them.
  std::vector<std::string> TextLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Get());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  size_t EntriesInDir() const {
    return std::distance(fs::directory_iterator(dir_),
                         fs::directory_iterator());
  }

  SettingsFile file_;
};

const char kSample[] =
    "; Parâmetros do VOREncomendas\n"
    "; mantidos à mão\n"
    "\n"
    "[BD]\n"
    "; servidor da base de dados\n"
    "Servidor=sqlite\n"
    "BaseDados=erp.db\n"
    "Password=se;gr=edo\n"
    "[email]\n"
    "Assunto=Antigo\n"
    "Outra=1\n"
    "[SMTP]\n"
    "emailEmissor=compras@exemplo.pt\n";

TEST_F(SettingsFileTest, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(file_.ReadValue("Log", "Directoria"), "");
  Put(kSample);
  EXPECT_EQ(file_.ReadValue("Log", "Directoria"), "");
  EXPECT_EQ(file_.ReadValue("email", "Nada"), "");
  EXPECT_EQ(file_.ReadValue("BD", "Password"), "se;gr=edo");
  EXPECT_EQ(file_.ReadValue("SMTP", "emailEmissor"), "compras@exemplo.pt");
}

// What a run reads once must answer every question as the file itself
// would: letter case, repeated sections and keys, quotes, missing entries,
// and a file that cannot be read.
TEST_F(SettingsFileTest, ValuesReadOnceAnswerAsTheFile) {
  EXPECT_EQ(SettingsValues::Read(path_).ReadValue("Log", "Directoria"), "");
  Put("\xEF\xBB\xBF[email]\r\nAssunto=Um\r\nassunto=Dois\r\n[EMAIL]\r\n"
      "Destino=a@b.pt\r\n[Log]\r\nDirectoria=\"  /var/log \"\r\n"
      "[Secção]\r\nChave=é\r\n");
  const SettingsValues values = SettingsValues::Read(path_);
  EXPECT_EQ(values.path(), path_);
  for (const auto& [section, key] :
       std::vector<std::pair<std::string, std::string>>{{"email", "Assunto"},
                                                        {"Email", "DESTINO"},
                                                        {"LOG", "directoria"},
                                                        {"Secção", "Chave"},
                                                        {"SECÇÃO", "Chave"},
                                                        {"email", "Nada"},
                                                        {"BD", "Servidor"}}) {
    EXPECT_EQ(values.ReadValue(section, key), file_.ReadValue(section, key))
        << section << "/" << key;
  }
  EXPECT_EQ(values.ReadValue("EMAIL", "assunto"), "Um");

  Put("[Log]\nDirectoria=\xFF\n");
  const SettingsValues bad = SettingsValues::Read(path_);
  std::string expected;
  try {
    file_.ReadValue("Log", "Directoria");
  } catch (const Error& e) {
    expected = e.description();
  }
  ASSERT_NE(expected, "");
  for (int i = 0; i < 2; ++i) {
    try {
      bad.ReadValue("BD", "Servidor");
      FAIL() << "an unreadable file gave a value";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_EQ(e.description(), expected);
    }
  }
}

TEST_F(SettingsFileTest, SaveChangesOnlyItsKeyAndKeepsEverythingElse) {
  Put(kSample);
  file_.WriteValue("email", "Assunto", "Proposta de compras");
  file_.WriteValue("Log", "Directoria", "/var/log/vor");
  const std::vector<std::string> expected = {
      "; Parâmetros do VOREncomendas",
      "; mantidos à mão",
      "[BD]",
      "; servidor da base de dados",
      "Servidor=sqlite",
      "BaseDados=erp.db",
      "Password=se;gr=edo",
      "[email]",
      "Assunto=Proposta de compras",
      "Outra=1",
      "[SMTP]",
      "emailEmissor=compras@exemplo.pt",
      "[Log]",
      "Directoria=/var/log/vor",
  };
  EXPECT_EQ(TextLines(), expected);
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), "Proposta de compras");
  EXPECT_EQ(file_.ReadValue("Log", "Directoria"), "/var/log/vor");
}

TEST_F(SettingsFileTest, RepeatedSavesLeaveTheFileStable) {
  Put(kSample);
  file_.WriteValue("email", "Assunto", "X");
  const std::string once = Get();
  file_.WriteValue("email", "Assunto", "X");
  file_.WriteValue("email", "Assunto", "X");
  EXPECT_EQ(Get(), once);
}

TEST_F(SettingsFileTest, SectionsAndKeysMatchInAnyCaseAndKeepTheirSpelling) {
  Put("[EMAIL]\nASSUNTO=velho\n[log]\ndirectoria=/a\n");
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), "velho");
  EXPECT_EQ(file_.ReadValue("Log", "Directoria"), "/a");
  file_.WriteValue("email", "Assunto", "novo");
  file_.WriteValue("Log", "Directoria", "/b");
  const std::vector<std::string> expected = {"[EMAIL]", "ASSUNTO=novo", "[log]",
                                             "directoria=/b"};
  EXPECT_EQ(TextLines(), expected);
}

TEST_F(SettingsFileTest, CommentsAfterTheLastKeyAndCommentOnlyFilesSurvive) {
  Put("[email]\nAssunto=a\n; fim do ficheiro\n\n# outra nota\n\n");
  file_.WriteValue("email", "Assunto", "b");
  std::vector<std::string> expected = {"[email]", "Assunto=b",
                                       "; fim do ficheiro", "# outra nota"};
  EXPECT_EQ(TextLines(), expected);

  Put("; só comentários\n\n; segundo bloco\n");
  file_.WriteValue("Log", "Directoria", "/x");
  expected = {"; só comentários", "; segundo bloco", "[Log]", "Directoria=/x"};
  EXPECT_EQ(TextLines(), expected);
  EXPECT_EQ(file_.ReadValue("Log", "Directoria"), "/x");
}

TEST_F(SettingsFileTest, RepeatedForeignKeysSurviveASave) {
  Put("[Outra]\nlinha=1\nlinha=2\n[email]\nAssunto=a\n");
  file_.WriteValue("email", "Assunto", "b");
  const std::vector<std::string> expected = {"[Outra]", "linha=1", "linha=2",
                                             "[email]", "Assunto=b"};
  EXPECT_EQ(TextLines(), expected);
}

TEST_F(SettingsFileTest, ValuesKeepTheirBlanksAndQuotes) {
  const std::vector<std::string> values = {"  dois à frente",
                                           "dois atrás  ",
                                           "   ",
                                           "\ttab\t",
                                           "\"entre aspas\"",
                                           "\"",
                                           "\"\"",
                                           "meio \" aspas",
                                           "",
                                           "a = b ; c"};
  for (const std::string& v : values) {
    file_.WriteValue("email", "Assunto", v);
    EXPECT_EQ(file_.ReadValue("email", "Assunto"), v) << "[" << v << "]";
  }
  // A hand-written value is read without the blanks around it, and a
  // quoted one without its quotes.
  Put("[Log]\nDirectoria =  /var/log  \n[email]\nAssunto=\" x \"\n");
  EXPECT_EQ(file_.ReadValue("Log", "Directoria"), "/var/log");
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), " x ");
}

TEST_F(SettingsFileTest, SaveOverMissingFileCreatesIt) {
  file_.WriteValue("email", "Assunto", "Olá");
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), "Olá");
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(SettingsFileTest, SaveIntoMissingFolderRaisesNamingTheFile) {
  file_.FileName((dir_ / "nao_existe" / "x.zlx").string());
  try {
    file_.WriteValue("email", "Assunto", "a");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find("nao_existe/x.zlx"), std::string::npos);
  }
}

TEST_F(SettingsFileTest, NotUtf8FileRaisesNamingTheFileAndIsNotRewritten) {
  const std::string bad =
      "[email]\nAssunto=ok\n[Log]\nDirectoria=C:\\Regist\xF3s\n";
  Put(bad);
  for (int i = 0; i < 2; ++i) {
    try {
      if (i == 0) {
        file_.ReadValue("email", "Assunto");
      } else {
        file_.WriteValue("email", "Assunto", "novo");
      }
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_NE(e.description().find(path_), std::string::npos);
      EXPECT_NE(e.description().find("UTF-8"), std::string::npos);
      EXPECT_NE(e.description().find("linha 4"), std::string::npos);
    }
  }
  EXPECT_EQ(Get(), bad);
}

TEST_F(SettingsFileTest, NulByteFileIsRefusedAndKeepsWhatFollowsIt) {
  // Read past the NUL, the login would be unseen; saved, it would be lost.
  const std::string bad = std::string("[Log]\nDirectoria=x") + '\0' +
                          "lixo\n[BD]\nServidor=sql01\nPassword=segredo\n";
  Put(bad);
  for (int i = 0; i < 2; ++i) {
    try {
      if (i == 0) {
        file_.ReadValue("BD", "Servidor");
      } else {
        file_.WriteValue("email", "Assunto", "novo");
      }
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_NE(e.description().find(path_), std::string::npos);
      EXPECT_NE(e.description().find("carácter nulo (linha 2)"),
                std::string::npos)
          << e.description();
    }
  }
  EXPECT_EQ(Get(), bad);
}

TEST_F(SettingsFileTest, SaveThatWouldRewriteOtherLinesIsRefused) {
  // The parser runs a section name without its ']' into the next line; a
  // save would write both lines back changed.
  const std::string odd = "[BD]\nServidor=sql01\n[Log\nDirectoria=y\n";
  Put(odd);
  try {
    file_.WriteValue("email", "Assunto", "novo");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find(path_), std::string::npos);
    EXPECT_NE(e.description().find("linha 3"), std::string::npos)
        << e.description();
  }
  EXPECT_EQ(Get(), odd);
  EXPECT_EQ(file_.ReadValue("BD", "Servidor"), "sql01");
}

TEST_F(SettingsFileTest, SaveOverALineThatIsNoEntryIsRefused) {
  // The parser drops a line that is no comment, section or named key with
  // '=', and what follows a section's ']'; it ends a line at a lone CR,
  // where the save's own layout does not. A save would lose or move them.
  const std::vector<std::pair<std::string, std::string>> odd = {
      {"[Outra]\r\nsem igual\r\nx=1\r\n", "linha 2"},
      {"[Outra]\n = sem nome\nx=1\n", "linha 2"},
      {"[Outra]\nx=1\n[Log] resto\nDirectoria=a\n", "linha 3"},
      {"[Log]\nDirectoria=a\n; nota\rcontinua\n", "linha 3 tem um CR"}};
  for (const auto& [text, line] : odd) {
    Put(text);
    try {
      file_.WriteValue("email", "Assunto", "novo");
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_NE(e.description().find(path_), std::string::npos);
      EXPECT_NE(e.description().find(line), std::string::npos)
          << e.description();
    }
    EXPECT_EQ(Get(), text);
  }
}

TEST_F(SettingsFileTest, MalformedUtf8SequencesAreRefused) {
  const std::vector<std::string> bad = {
      "\xC3",              // cut short at the end
      "\xC3(",             // continuation missing
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong '/'
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\x80",              // stray continuation
  };
  for (const std::string& b : bad) {
    Put("[email]\nAssunto=" + b + "\n");
    EXPECT_THROW(file_.ReadValue("email", "Assunto"), Error);
  }
  Put("[email]\nAssunto=\xF0\x9F\x93\xA6 €\n");
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), "\xF0\x9F\x93\xA6 €");
}

TEST_F(SettingsFileTest, ReadOnlyFileIsNotReplaced) {
  Put(kSample);
  fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_THROW(file_.WriteValue("email", "Assunto", "novo"), Error);
  EXPECT_EQ(Get(), kSample);
  EXPECT_EQ(fs::status(path_).permissions(),
            fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(EntriesInDir(), 1u);
}

// A file the save creates holds passwords: its owner's alone, whatever the
// umask; an existing one keeps what it had.
TEST_F(SettingsFileTest, SaveKeepsPermissionsAndCreatesPrivateFiles) {
  const mode_t old_umask = ::umask(022);
  file_.WriteValue("BD", "Password", "segredo");
  ::umask(old_umask);
  EXPECT_EQ(fs::status(path_).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  Put(kSample);
  const auto perms =
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(path_, perms);
  file_.WriteValue("email", "Assunto", "novo");
  EXPECT_EQ(fs::status(path_).permissions(), perms);
}

TEST_F(SettingsFileTest, FailedWriteLeavesOldFileAndNoTemporaryFile) {
  // A file-size limit makes the write fail the way a full disk does.
  const std::string big =
      std::string(kSample) + "[Grande]\nv=" + std::string(4000, 'x') + "\n";
  Put(big);
  std::string description;
  EXPECT_EQ(ErrorNumberUnderFileSizeLimit(
                1024, [&] { file_.WriteValue("email", "Assunto", "novo"); },
                &description),
            errnum::kFileError);
  EXPECT_NE(description.find(path_), std::string::npos);
  EXPECT_EQ(Get(), big);
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(SettingsFileTest, ByteOrderMarkAndCrLfAreKept) {
  Put("\xEF\xBB\xBF; "
      "nota\r\n\r\n[email]\r\nAssunto=a\r\n[BD]\r\nServidor=s\r\n");
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), "a");
  file_.WriteValue("email", "Assunto", "b");
  file_.WriteValue("Log", "Directoria", "/l");
  const std::string out = Get();
  EXPECT_EQ(out.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_EQ(out.find("\xEF\xBB\xBF", 1), std::string::npos);
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\n') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(out[i - 1], '\r') << "at " << i;
    }
  }
  EXPECT_EQ(out.find("\r\r"), std::string::npos);
  const std::vector<std::string> expected = {
      "\xEF\xBB\xBF; nota", "[email]", "Assunto=b",    "[BD]",
      "Servidor=s",         "[Log]",   "Directoria=/l"};
  EXPECT_EQ(TextLines(), expected);
}

TEST_F(SettingsFileTest, PlainFileGetsNoByteOrderMarkNorCr) {
  Put("[email]\nAssunto=a\n");
  file_.WriteValue("email", "Assunto", "b");
  EXPECT_EQ(Get(), "[email]\nAssunto=b\n");
}

TEST_F(SettingsFileTest, ValueWithLineBreakIsRefusedAndCannotAddKeys) {
  Put(kSample);
  const std::vector<std::string> refused = {"x\n[BD]\nPassword=outra", "a\rb",
                                            std::string("a\0b", 3)};
  for (const std::string& v : refused) {
    try {
      file_.WriteValue("email", "Assunto", v);
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_NE(e.description().find("[email] Assunto"), std::string::npos);
      EXPECT_EQ(e.description().find("outra"), std::string::npos);
    }
  }
  EXPECT_THROW(file_.WriteValue("email", "Assunto", "\xFF"), Error);
  EXPECT_THROW(file_.WriteValue("a]b", "k", "v"), Error);
  EXPECT_THROW(file_.WriteValue("s", "k=v", "v"), Error);
  EXPECT_THROW(file_.WriteValue("s", "", "v"), Error);
  EXPECT_EQ(Get(), kSample);
}

// Several values in one save: all of them, or none when one is refused
// (a login half saved would pair the new server with the old password).
TEST_F(SettingsFileTest, SeveralValuesAreSavedTogetherOrNotAtAll) {
  Put(kSample);
  EXPECT_THROW(
      file_.WriteValues("BD", {{"Servidor", "novo"}, {"Password", "a\nb"}}),
      Error);
  EXPECT_EQ(Get(), kSample);
  file_.WriteValues("BD", {{"Servidor", "novo"}, {"Password", " chave "}});
  EXPECT_EQ(file_.ReadValue("BD", "Servidor"), "novo");
  EXPECT_EQ(file_.ReadValue("BD", "Password"), " chave ");
}

TEST_F(SettingsFileTest, SaveThroughSymbolicLinkKeepsTheLink) {
  const fs::path real = dir_ / "real.zlx";
  std::ofstream(real) << "[email]\nAssunto=a\n";
  fs::create_symlink(real, path_);
  file_.WriteValue("email", "Assunto", "b");
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(file_.ReadValue("email", "Assunto"), "b");
  EXPECT_EQ(EntriesInDir(), 2u);
}

TEST_F(SettingsFileTest, FolderOrEmptyPathRaises) {
  file_.FileName(dir_.string());
  EXPECT_THROW(file_.ReadValue("email", "Assunto"), Error);
  EXPECT_THROW(file_.WriteValue("email", "Assunto", "a"), Error);
  file_.FileName("");
  EXPECT_THROW(file_.ReadValue("email", "Assunto"), Error);
}

TEST_F(SettingsFileTest, NamedPipeIsRefusedInsteadOfBlocking) {
  // Opening a pipe for reading waits for a writer that never comes.
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  try {
    file_.ReadValue("BD", "Servidor");
    FAIL() << "a named pipe was read";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find(path_), std::string::npos);
    EXPECT_NE(e.description().find("não é um ficheiro normal"),
              std::string::npos)
        << e.description();
  }
  EXPECT_THROW(file_.WriteValue("email", "Assunto", "a"), Error);
  EXPECT_TRUE(fs::is_fifo(path_));
}

}  // namespace
}  // namespace vor

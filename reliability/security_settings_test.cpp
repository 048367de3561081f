// Saves of the settings file keep what is not theirs: the database login,
// the other programs' sections, comments and their order survive every save
// of the program (the settings record, the mail-server set-up, a single
// value), hostile values read back as themselves or are refused, and a save
// over a file or folder the system will not let change fails cleanly,
// leaving the file as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/mail_server_setup.h"
#include "core/error.h"
#include "reliability/security_codes.h"
#include "settings/parametros.h"
#include "settings/settings_file.h"
#include "testing/test_site.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

// A settings file as an administrator keeps it: byte-order mark, CR LF,
// comments of both kinds at the top, inside and at the end, the login, the
// mail server, another program's section, repeated keys, blank lines.
const std::string kOriginal =
    "\xEF\xBB\xBF; Definições do VOREncomendas\r\n"
    "; segunda linha do cabeçalho\r\n"
    "\r\n"
    "[BD]\r\n"
    "; login da base de dados\r\n"
    "Servidor=sqlserver01\r\n"
    "BaseDados=ERP\r\n"
    "Utilizador=vor\r\n"
    "Password=Zq9;Segredo}Vx=7{ 'K\r\n"
    "DriverODBC=FreeTDS\r\n"
    "Porta=1433\r\n"
    "\r\n"
    "[Log]\r\n"
    "# a pasta dos registos diários\r\n"
    "Directoria=/var/log/vor\r\n"
    "\r\n"
    "[email]\r\n"
    "Assunto=Proposta de encomendas\r\n"
    "\r\n"
    "[SMTP]\r\n"
    "Servidor=smtp.exemplo.pt\r\n"
    "Porta=587\r\n"
    "emailEmissor=compras@exemplo.pt\r\n"
    "\r\n"
    "[Outra Aplicação]\r\n"
    "Chave com espaços=valor ; não é um comentário\r\n"
    "Lista=a\r\n"
    "Lista=b\r\n"
    "VALOR=maiúsculas\r\n"
    "vazio=\r\n"
    "\r\n"
    "; comentário final\r\n";

// The lines of a file that are not blank, without their line ends.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") != std::string::npos) {
      lines.push_back(line);
    }
  }
  return lines;
}

// Empty when `after` has the lines of `before` in the same order, except
// that lines starting with one of `changed` (e.g. "Assunto=") may hold
// another value; otherwise the first difference.
std::string SameExceptValues(const std::string& before,
                             const std::string& after,
                             const std::vector<std::string>& changed) {
  const std::vector<std::string> a = Lines(before);
  const std::vector<std::string> b = Lines(after);
  if (a.size() != b.size()) {
    return std::to_string(b.size()) + " lines instead of " +
           std::to_string(a.size()) + ":\n" + after;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    bool may_change = false;
    for (const std::string& prefix : changed) {
      may_change = may_change ||
                   (a[i].rfind(prefix, 0) == 0 && b[i].rfind(prefix, 0) == 0);
    }
    if (!may_change && a[i] != b[i]) {
      return "line " + std::to_string(i + 1) + " is [" + b[i] +
             "] instead of [" + a[i] + "]";
    }
  }
  return "";
}

// Every section/key of the original with its value.
std::map<std::pair<std::string, std::string>, std::string> OriginalValues() {
  return {
      {{"BD", "Servidor"}, "sqlserver01"},
      {{"BD", "BaseDados"}, "ERP"},
      {{"BD", "Utilizador"}, "vor"},
      {{"BD", "Password"}, "Zq9;Segredo}Vx=7{ 'K"},
      {{"BD", "DriverODBC"}, "FreeTDS"},
      {{"BD", "Porta"}, "1433"},
      {{"Log", "Directoria"}, "/var/log/vor"},
      {{"email", "Assunto"}, "Proposta de encomendas"},
      {{"SMTP", "Servidor"}, "smtp.exemplo.pt"},
      {{"SMTP", "Porta"}, "587"},
      {{"SMTP", "emailEmissor"}, "compras@exemplo.pt"},
      {{"Outra Aplicação", "Chave com espaços"}, "valor ; não é um comentário"},
      {{"Outra Aplicação", "VALOR"}, "maiúsculas"},
      {{"Outra Aplicação", "vazio"}, ""}};
}

bool HasLineBreak(const std::string& v) {
  return v.find_first_of("\r\n") != std::string::npos;
}

// Hostile values that a setting can hold (one line each).
std::vector<std::string> OneLineValues() {
  std::vector<std::string> values;
  for (const std::string& v : security::TestCodes(20261209, 300)) {
    if (!HasLineBreak(v)) values.push_back(v);
  }
  for (const char* v :
       {"[BD]", "Password=x", "; não é comentário", "# nem isto",
        "\"entre aspas\"", "\" meia", "=", "a=b=c", "<<<END", "  ", "\t\t"}) {
    values.push_back(v);
  }
  return values;
}

class SecuritySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.path() + "/VOREncomendas.zlx";
    WriteFile(path_, kOriginal);
  }

  std::string Read(const std::string& section, const std::string& key) {
    SettingsFile f;
    f.FileName(path_);
    return f.ReadValue(section, key);
  }

  // Every value of the original, except those in `changed`, reads back.
  void ExpectOtherValuesKept(
      const std::vector<std::pair<std::string, std::string>>& changed) {
    for (const auto& [where, value] : OriginalValues()) {
      bool is_changed = false;
      for (const auto& c : changed) is_changed = is_changed || c == where;
      if (!is_changed) {
        EXPECT_EQ(Read(where.first, where.second), value)
            << "[" << where.first << "] " << where.second;
      }
    }
  }

  TempFolder folder_;
  std::string path_;
};

TEST_F(SecuritySettingsTest, RecordSavesKeepEverythingElse) {
  int saves = 0;
  for (const std::string& value : OneLineValues()) {
    Parametros p;
    p.set_FicheiroIni(path_);
    p.set_email_Assunto(value);
    p.set_Log_Directoria("/srv/" + value);
    p.set_email_Origem("nunca@gravado");  // not a saved value
    p.set_Sql_Password("nem isto");
    ASSERT_TRUE(p.Escrever()) << "[" << value << "]";
    ++saves;
    const std::string after = ReadFile(path_);
    ASSERT_EQ(SameExceptValues(kOriginal, after, {"Assunto=", "Directoria="}),
              "")
        << "after saving [" << value << "]";
    EXPECT_EQ(after.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(Read("email", "Assunto"), value);
    EXPECT_EQ(Read("Log", "Directoria"), "/srv/" + value);
    // A second record reads what the first saved.
    Parametros q;
    q.set_FicheiroIni(path_);
    ASSERT_TRUE(q.Ler());
    EXPECT_EQ(q.email_Assunto(), value);
    EXPECT_EQ(q.email_Origem(), "compras@exemplo.pt");
  }
  ExpectOtherValuesKept({{"email", "Assunto"}, {"Log", "Directoria"}});
  EXPECT_NE(ReadFile(path_).find("\r\n; comentário final\r\n"),
            std::string::npos);
  std::cout << "[ figures  ] " << saves
            << " saves of the settings record, each keeping every other line"
            << std::endl;
}

TEST_F(SecuritySettingsTest, MailServerSavesKeepEverythingElse) {
  MailServerSetup::Smtp values = MailServerSetup::Load(path_);
  const MailServerSetup::Smtp before = values;
  values.servidor = "smtp2.exemplo.pt";
  values.porta = "465";
  values.email_emissor = "o'brien@exemplo.pt";
  MailServerSetup::Save(path_, values, &before);
  // Only the keys that were there changed their values.
  EXPECT_EQ(SameExceptValues(kOriginal, ReadFile(path_),
                             {"Servidor=", "Porta=", "emailEmissor="}),
            "");
  ExpectOtherValuesKept(
      {{"SMTP", "Servidor"}, {"SMTP", "Porta"}, {"SMTP", "emailEmissor"}});
  EXPECT_EQ(Read("BD", "Servidor"), "sqlserver01");

  // New keys, values that look like entries, a password of the mail server
  // with every special character: each reads back, the rest stays.
  values.seguranca = MailServerSetup::kSecurityStartTls;
  values.utilizador = "[BD]";
  values.password = "a;b=c [d] \"e\" 'f' #g";
  values.nome_emissor = " Compras ";
  MailServerSetup::Save(path_, values, nullptr);
  EXPECT_EQ(MailServerSetup::Load(path_), values);
  ExpectOtherValuesKept(
      {{"SMTP", "Servidor"}, {"SMTP", "Porta"}, {"SMTP", "emailEmissor"}});
  // Every other line of the original is still there, in order.
  const std::vector<std::string> after = Lines(ReadFile(path_));
  size_t next = 0;
  for (const std::string& line : Lines(kOriginal)) {
    if (line == "Servidor=smtp.exemplo.pt" || line == "Porta=587" ||
        line == "emailEmissor=compras@exemplo.pt") {
      continue;
    }
    while (next < after.size() && after[next] != line) ++next;
    EXPECT_LT(next, after.size()) << "[" << line << "] lost or moved";
    ++next;
  }
}

TEST_F(SecuritySettingsTest,
       ValuesThatWouldAddLinesAreRefusedAndChangeNothing) {
  SettingsFile f;
  f.FileName(path_);
  int refused = 0;
  std::vector<std::string> values = {"x\n[BD]\nPassword=roubada",
                                     "x\r\nServidor=outro", "a\rb",
                                     std::string("a\0b", 3)};
  for (const std::string& v : security::TestCodes(20261210, 300)) {
    if (HasLineBreak(v)) values.push_back(v);
  }
  for (const std::string& v : values) {
    try {
      f.WriteValue("email", "Assunto", v);
      ADD_FAILURE() << "saved a value with a line break";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_NE(e.description().find(path_), std::string::npos)
          << e.description();
      ++refused;
    }
    ASSERT_EQ(ReadFile(path_), kOriginal);
  }
  // Names that would open a section or end a key are refused too.
  for (const auto& [section, key] :
       std::vector<std::pair<std::string, std::string>>{
           {"email]\r\n[BD", "Assunto"},
           {"email", "Assunto=x\r\nPassword"},
           {"email", "[BD]"},
           {"", "Assunto"},
           {"email", ""}}) {
    EXPECT_THROW(f.WriteValue(section, key, "v"), Error);
    ASSERT_EQ(ReadFile(path_), kOriginal);
    ++refused;
  }
  std::cout << "[ figures  ] " << refused
            << " values and names refused without touching the file"
            << std::endl;
}

TEST_F(SecuritySettingsTest, RepeatedSavesLeaveTheFileStable) {
  Parametros p;
  p.set_FicheiroIni(path_);
  p.set_Log_Directoria("/var/log/vor");
  p.set_email_Assunto("Proposta de encomendas");
  ASSERT_TRUE(p.Escrever());
  const std::string first = ReadFile(path_);
  for (int i = 0; i < 50; ++i) {
    p.set_email_Assunto(i % 2 == 0 ? " x ; y " : "Proposta de encomendas");
    ASSERT_TRUE(p.Escrever());
  }
  EXPECT_EQ(ReadFile(path_), first);
  EXPECT_EQ(SameExceptValues(kOriginal, first, {}), "");
}

// --- Saves the system refuses ---------------------------------------------

// Sets or clears the immutable attribute of a file or folder; false when
// the file system or the process's privileges do not allow it.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

// Makes a path immutable for the length of a test; always cleared again so
// the temporary folder can be removed.
class Immutable {
 public:
  explicit Immutable(std::string path)
      : path_(std::move(path)), ok_(SetImmutable(path_, true)) {}
  ~Immutable() {
    if (ok_) SetImmutable(path_, false);
  }
  bool ok() const { return ok_; }

 private:
  std::string path_;
  bool ok_;
};

class SecurityReadOnlySaveTest : public SecuritySettingsTest {
 protected:
  // A save of each kind fails with Error 75 naming the file, the record
  // reports false, the file keeps its bytes and no temporary file is left.
  void ExpectEverySaveFailsCleanly() {
    SettingsFile f;
    f.FileName(path_);
    try {
      f.WriteValue("email", "Assunto", "nova");
      ADD_FAILURE() << "a save succeeded";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kFileError);
      EXPECT_NE(e.description().find(path_), std::string::npos)
          << e.description();
    }
    Parametros p;
    p.set_FicheiroIni(path_);
    p.set_email_Assunto("nova");
    EXPECT_FALSE(p.Escrever());
    MailServerSetup::Smtp smtp = MailServerSetup::Load(path_);
    smtp.servidor = "outro";
    EXPECT_THROW(MailServerSetup::Save(path_, smtp, nullptr), Error);

    EXPECT_EQ(ReadFile(path_), kOriginal);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"VOREncomendas.zlx"});
    // Reading still works.
    EXPECT_EQ(Read("BD", "Password"), "Zq9;Segredo}Vx=7{ 'K");
  }
};

TEST_F(SecurityReadOnlySaveTest, ImmutableFile) {
  Immutable lock(path_);
  if (!lock.ok()) {
    GTEST_SKIP() << "the file system refuses the immutable attribute here";
  }
  ExpectEverySaveFailsCleanly();
}

TEST_F(SecurityReadOnlySaveTest, FolderThatCannotTakeTheTemporaryFile) {
  // The file itself may be written, but the folder takes no new file, so
  // the replacement cannot be prepared beside it.
  Immutable lock(folder_.path());
  if (!lock.ok()) {
    GTEST_SKIP() << "the file system refuses the immutable attribute here";
  }
  ExpectEverySaveFailsCleanly();
}

}  // namespace
}  // namespace vor

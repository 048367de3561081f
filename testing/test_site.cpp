#include "testing/test_site.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vor {

namespace fs = std::filesystem;

namespace {

// Qt's SQL drivers are plugins, found through the application object.
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QCoreApplication::instance() == nullptr) {
      app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[9] = "app_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QCoreApplication> app_;
};

const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

ErpArticle BoughtArticle(const std::string& code, double stdisp, double stmin) {
  ErpArticle article;
  article.codigo = code;
  article.stdisp = stdisp;
  article.stmin = stmin;
  return article;
}

int CountOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    ++n;
  }
  return n;
}

ScopedEnv::ScopedEnv(std::string name) : name_(std::move(name)) {
  if (const char* v = std::getenv(name_.c_str())) saved_ = v;
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value)
    : ScopedEnv(std::move(name)) {
  Set(value);
}

ScopedEnv::~ScopedEnv() {
  if (saved_) {
    setenv(name_.c_str(), saved_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

void ScopedEnv::Set(const std::string& value) {
  setenv(name_.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset() { unsetenv(name_.c_str()); }

TestSite::TestSite()
    : base_(tmp_.path() + "/base"),
      erp_path_(tmp_.path() + "/base/erp.sqlite"),
      log_folder_(tmp_.path() + "/base/log"),
      app_folder_(tmp_.path() + "/programa") {
  fs::create_directories(settings_folder());
  fs::create_directories(log_folder_);
  fs::create_directories(app_folder_);
}

std::string TestSite::settings_path() const {
  return settings_folder() + "/VOREncomendas.zlx";
}

ErpFixture& TestSite::CreateErp() {
  erp_ = std::make_unique<ErpFixture>(ErpFixture::CreateNew(erp_path_));
  return *erp_;
}

void TestSite::WriteSettings(const SiteSettings& settings) {
  settings_ = settings;
  const std::string database =
      settings.database.empty() ? erp_path_ : settings.database;
  std::string text;
  text += "; Parametros de teste\r\n";
  text += "[email]\r\nAssunto=" + settings.assunto + "\r\n";
  if (!settings.destino.empty()) {
    text += "Destino=" + settings.destino + "\r\n";
  }
  text += "[Log]\r\nDirectoria=" + settings.log_folder.value_or(log_folder_) +
          "\r\n";
  text += "[BD]\r\nServidor=sqlite\r\nBaseDados=" + database +
          "\r\nUtilizador=" + settings.user +
          "\r\nPassword=" + settings.password + "\r\nTempoEspera=5\r\n";
  text += settings.extra;
  WriteFile(settings_path(), text);
}

ProgramResult TestSite::Run(const std::vector<std::string>& args) const {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VOR_BASE_DIR", QString::fromStdString(base_));
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  process.setProcessEnvironment(env);
  QStringList arguments;
  for (const std::string& a : args) arguments << QString::fromStdString(a);
  process.start(VOR_PROGRAM_PATH, arguments);
  ProgramResult result;
  if (!process.waitForStarted(10000)) {
    result.err = "could not start " VOR_PROGRAM_PATH;
    return result;
  }
  process.closeWriteChannel();
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    result.err = "program did not finish in time";
    return result;
  }
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  result.exit_code =
      process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return result;
}

std::vector<std::string> TestSite::LogFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(log_folder_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string TestSite::LogText() const {
  std::string text;
  for (const std::string& name : LogFiles()) {
    text += ReadFile(log_folder_ + "/" + name);
  }
  return text;
}

}  // namespace vor

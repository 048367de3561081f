// Test helpers of the whole-program tests (app/, reliability/): environment
// variables set for one test, and TestSite, a complete
// installation in a temporary folder (base folder with "zoltix", settings
// file, SQLite ERP, log folder) on which the built program can be run.
#ifndef VOR_TESTING_TEST_SITE_H_
#define VOR_TESTING_TEST_SITE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/temp_folder.h"
#include "tools/erp_fixture.h"

namespace vor {

// How many times `needle` occurs in `text`.
int CountOf(const std::string& text, const std::string& needle);

// A bought article (type 1, supplier F001, units UN/UN) with the given
// stock and minimum stock; the other columns keep ErpArticle's defaults.
ErpArticle BoughtArticle(const std::string& code, double stdisp, double stmin);

// Sets or clears an environment variable and restores it at the end.
class ScopedEnv {
 public:
  explicit ScopedEnv(std::string name);
  ScopedEnv(std::string name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  void Set(const std::string& value);
  void Unset();

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

// What a run of the program left.
struct ProgramResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Values of the settings file TestSite writes.
struct SiteSettings {
  std::string database;  // BD/BaseDados; "" means the site's ERP
  std::string user = "demo";
  std::string password = "Pw-nunca-Mostrar#7";
  std::optional<std::string> log_folder;  // Log/Directoria; none: site log
  std::string assunto = "Proposta de encomendas";  // email/Assunto
  std::string destino;  // email/Destino; written only when not empty
  std::string extra;    // further sections, appended as they are
};

class TestSite {
 public:
  TestSite();

  const std::string& base() const { return base_; }
  std::string settings_folder() const { return base_ + "/zoltix"; }
  std::string settings_path() const;
  const std::string& erp_path() const { return erp_path_; }
  const std::string& log_folder() const { return log_folder_; }
  // An existing folder standing for the program's folder in in-process
  // tests (the built program uses its own).
  const std::string& app_folder() const { return app_folder_; }

  // Creates an empty ERP at erp_path() and returns its fixture.
  ErpFixture& CreateErp();
  ErpFixture& erp() { return *erp_; }

  void WriteSettings(const SiteSettings& settings = SiteSettings());
  const SiteSettings& settings() const { return settings_; }

  // Runs the built program with `args`, VOR_BASE_DIR pointing at base().
  ProgramResult Run(const std::vector<std::string>& args) const;

  // The content of every log file in the log folder, in name order.
  std::string LogText() const;
  // Names of the files in the log folder.
  std::vector<std::string> LogFiles() const;

 private:
  TempFolder tmp_;
  std::string base_;
  std::string erp_path_;
  std::string log_folder_;
  std::string app_folder_;
  SiteSettings settings_;
  std::unique_ptr<ErpFixture> erp_;
};

}  // namespace vor

#endif  // VOR_TESTING_TEST_SITE_H_

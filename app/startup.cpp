#include "app/startup.h"

#include <QCoreApplication>
#include <QString>
#include <filesystem>
#include <system_error>

#include "app/folder_check.h"
#include "app/folder_locator.h"
#include "core/error.h"
#include "db/ligar_bd.h"

namespace vor {

namespace {

constexpr std::string_view kSilentSwitch = "/S";
constexpr std::string_view kDefaultSettingsFile = "VOREncomendas.zlx";

}  // namespace

std::string ComponentModeFromCode(std::string_view code) {
  if (code.empty()) return "B";
  char first = code.front();
  if (first >= 'a' && first <= 'z')
    first = static_cast<char>(first - 'a' + 'A');
  return first == 'A' ? "A" : "B";
}

bool IsSilentSwitch(const std::string& command_line) {
  return command_line == kSilentSwitch;
}

std::string ResolveSettingsFolder(const std::string& base_path,
                                  const std::string& application_folder) {
  std::string folder = base_path + "/zoltix";
  if (!FolderCheck().FolderExists(folder)) folder = application_folder;
  return folder;
}

std::string SettingsFilePathFor(const std::string& settings_folder,
                                const std::string& command_line) {
  if (command_line.empty() || IsSilentSwitch(command_line)) {
    return settings_folder + "/" + std::string(kDefaultSettingsFile);
  }
  return settings_folder + "/" + command_line;
}

void Arrancar(StartupState& state, const std::string& command_line,
              const std::string& application_folder) {
  const std::string folder =
      ResolveSettingsFolder(FolderLocator().BasePath(), application_folder);
  state.SettingsFilePath = SettingsFilePathFor(folder, command_line);
  state.SilentRun = IsSilentSwitch(command_line);
  state.Settings = SettingsRecord::Read(state.SettingsFilePath);
  state.ErpConnection = LIgarBd(state.Settings.values(), application_folder);
  // Every value is checked before anything is written.
  state.Settings.ThrowIfRefused();
  state.Leitura = state.Settings.motor.leitura;
}

std::string CommandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

std::string ApplicationFolder() {
  if (QCoreApplication::instance() != nullptr) {
    const QString dir = QCoreApplication::applicationDirPath();
    if (!dir.isEmpty()) return dir.toStdString();
  }
  std::error_code ec;
  const std::filesystem::path exe =
      std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) {
    throw Error(errnum::kFileError,
                "Não foi possível determinar a pasta do programa "
                "(/proc/self/exe: " +
                    ec.message() + ")");
  }
  std::string folder = exe.parent_path().string();
  return folder.empty() ? "/" : folder;
}

}  // namespace vor

// Start-up of the program: the state the main window (or the silent run)
// keeps for the life of the program, and Arrancar, which resolves the
// settings file from the command line, sets the silent switch and connects
// to the ERP database.
//
// Typical use:
//   StartupState state;
//   Arrancar(state, CommandLineText(argc, argv), ApplicationFolder());
//   if (state.SilentRun) ...
#ifndef VOR_APP_STARTUP_H_
#define VOR_APP_STARTUP_H_

#include <memory>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "settings/reading_mode.h"
#include "settings/settings_record.h"

namespace vor {

// The fixed code the bill-of-materials mode letter is derived from.
inline constexpr std::string_view kComponentCode = "BS";

// The mode letter for `code`: its first character in upper case is taken;
// "A" when that character is 'A', "B" otherwise (also for an empty code).
std::string ComponentModeFromCode(std::string_view code);

struct StartupState {
  // Full path of the settings file every part of the program reads.
  std::string SettingsFilePath;
  // The settings file as last read, once per run: by Arrancar for the
  // connection, the reading mode and the unattended run, then by each run
  // of the window (RunControl::Sincronizar).
  SettingsRecord Settings;
  // True when the command-line text is exactly "/S".
  bool SilentRun = false;
  // Bill-of-materials mode letter; fixed at construction ("B").
  std::string ComponentMode = ComponentModeFromCode(kComponentCode);
  // The ERP connection opened by Arrancar (possibly not open: see
  // Connection::IsOpen and OpenFailure).
  std::unique_ptr<Connection> ErpConnection;
  // How the engine reads the ERP: Motor/Leitura of the settings file.
  ReadingMode Leitura = ReadingMode::kLiteral;
  // Whether the latest run wrote its proposal into zlx_VOR_Encomendas: an
  // error after that (the report, the log's last lines) leaves the new
  // proposal in the table, and the alert must say so.
  bool ProposalWritten = false;
};

// True when the command-line text selects the silent run: exactly "/S",
// letter case and blanks included.
bool IsSilentSwitch(const std::string& command_line);

// The settings folder: `base_path` followed by "/zoltix" (the base is taken
// unchanged), or `application_folder` when that folder does not exist.
std::string ResolveSettingsFolder(const std::string& base_path,
                                  const std::string& application_folder);

// The settings file for a settings folder and a command-line text: folder +
// "/VOREncomendas.zlx" when the text is "" or exactly "/S", otherwise
// folder + "/" + the whole text, whatever it holds.
std::string SettingsFilePathFor(const std::string& settings_folder,
                                const std::string& command_line);

// Sets SettingsFilePath (base from FolderLocator, existence from
// FolderCheck) and SilentRun from `command_line`, reads the settings file
// into Settings, then connects through LIgarBd and keeps the connection in
// ErpConnection, then takes the reading mode (Leitura). Whether the connection
// opened is not examined here. Errors of LIgarBd propagate as vor::Error, and
// so does a value of the file that refuses the run
// (SettingsRecord::ThrowIfRefused: Error 13 naming key, value and file).
void Arrancar(StartupState& state, const std::string& command_line,
              const std::string& application_folder);

// The command-line text: the arguments after the program name joined by
// single blanks ("" when there are none).
std::string CommandLineText(int argc, const char* const* argv);

// The folder that holds the running executable, without a trailing
// separator: QCoreApplication::applicationDirPath() when an application
// object exists, otherwise the folder of /proc/self/exe. Raises Error 75
// when neither can be found.
std::string ApplicationFolder();

}  // namespace vor

#endif  // VOR_APP_STARTUP_H_
